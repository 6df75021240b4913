// The production flow card against a real server: rows per task line and process record with
// their group sums, rows added by a query that does not clear, the product filter, the two
// record dialogs writing (and deleting) at once, a refusal shown with the server's text, and the
// sales-order query's detail opening a loaded card; the printed card's QR codes read back by a
// barcode reader.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>

#include "client/data/dataset.h"
#include "client/production/flow_edit_form.h"
#include "client/production/flow_form.h"
#include "client/production/flow_rec_form.h"
#include "client/production/production_screens.h"
#include "client/query/sys_qry_form.h"
#include "client/report/report_output.h"
#include "client/report/report_preview.h"
#include "client/report/shop_address.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/grid_model.h"
#include "client/widgets/record_editor.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Tbus_flowEditForm;
using client::Tbus_flowForm;
using client::Tbus_flowRecForm;

constexpr const char* kItem = "26-12-0001";

class FlowCardTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    dm_->userName = "admin";
    exec(
        "insert into bas_products(productNo, productName, productSize) values"
        " ('PRD', '闸阀', 'DN100'), ('A', '阀体', 'DN100')");
    exec("insert into bas_dep(depNo, depName, isPlant) values ('D1', '机加车间', 1)");
    exec("insert into bas_process(procNo, procName) values ('P1', '车削'), ('P2', '装配')");
    exec("insert into bas_staff(staffNo, staffName, depNo) values ('S1', '张三', 'D1')");
    exec("insert into bas_device(devNo, devName, devSize) values ('V1', '车床', 'C6140')");
    exec(
        "insert into bus_SO(keyNo, dlvDate, marking, remarkM) values"
        " ('XS-1', '2026-12-20', '钢印', '加急')");
    exec(
        "insert into bus_so_det(gsNo, keyNo, itemNo, productNo, qty) values"
        " ('26-12-0001', 'XS-1', 1, 'PRD', 100)");
    exec("insert into bus_task(keyNo, gsNo) values ('T1', '26-12-0001')");
    // Line -01 has no process record yet; line -02 has three.
    exec(
        "insert into bus_task_det(taskNo, keyNo, itemNo, gsNo, productNo, procNo, depNo, qty,"
        " pDate) values ('26-12-0001-01', 'T1', 1, '26-12-0001', 'PRD', 'P2', 'D1', 100,"
        " '2026-12-18'), ('26-12-0001-02', 'T1', 2, '26-12-0001', 'A', 'P1', 'D1', 300,"
        " '2026-12-10')");
    exec(
        "insert into bus_flow(taskNo, staffNo, devNo, gqty, gfqty, lfqty, fxqty, inspName) values"
        " ('26-12-0001-02', 'S1', 'V1', 100, 1, 0, 2, '李四'),"
        " ('26-12-0001-02', 'S1', 'V1', 120, 2, 1, 0, '李四'),"
        " ('26-12-0001-02', 'S1', null, 80, 0, 3, 1, '李四')");
  }

  std::unique_ptr<Tbus_flowForm> query(const QString& item = kItem) {
    auto f = std::make_unique<Tbus_flowForm>();
    f->formShow();
    f->taskEdit->setText(item);
    f->qryBtnClick();
    return f;
  }
  // What the grid shows in a column, row by row of the view (captions and footers included).
  static QStringList shown(const Tbus_flowForm& f, const char* field) {
    QAbstractItemModel* m = f.grid()->view()->model();
    int col = -1;
    for (int c = 0; c < m->columnCount(); ++c)
      if (auto* g = static_cast<client::GridModel*>(m)->columnAt(c); g && g->field == field)
        col = c;
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, col).data().toString();
    return out;
  }
  static QStringList products(const Tbus_flowForm& f) {
    QStringList out;
    for (int i = 0; i < f.gCmb->count(); ++i) out << f.gCmb->itemText(i);
    return out;
  }
  // Presses the "+" of a column on the grid's row.
  static void plus(Tbus_flowForm& f, const char* field, int row) {
    emit f.grid()->buttonClicked(field, row);
  }
};

TEST_F(FlowCardTest, RowsPerRecordWithPlanShownOnceAndGroupSums) {
  auto f = query();
  EXPECT_EQ(products(*f), QStringList({"---全部---", "PRD", "A"}));
  EXPECT_EQ(f->Edit3->text(), "100");
  EXPECT_EQ(f->Edit2->text(), "2026-12-20");
  EXPECT_EQ(f->Edit4->text(), "钢印");
  EXPECT_EQ(f->Edit5->text(), "加急");
  EXPECT_FALSE(f->Edit1->text().isEmpty());

  client::Dataset& rows = f->flowCDS();
  EXPECT_EQ(column(rows, "taskNo"),
            QStringList({"26-12-0001-01", "26-12-0001-02", "26-12-0001-02", "26-12-0001-02"}));
  EXPECT_EQ(column(rows, "staffName"), QStringList({"", "张三", "张三", "张三"}));
  EXPECT_EQ(column(rows, "gqty"), QStringList({"", "100", "120", "80"}));
  EXPECT_EQ(column(rows, "pQty"), QStringList({"100", "300", "300", "300"}));
  EXPECT_EQ(column(rows, "procName"), QStringList({"装配", "车削", "车削", "车削"}));
  EXPECT_TRUE(column(rows, "gsNo").first().startsWith("26-12-0001 "));

  // Item caption, line caption, its row, its footer; line caption, three rows, footer; item
  // footer. The plan of line -02 shows once; the footers sum per line and per item.
  EXPECT_EQ(shown(*f, "pQty"), QStringList({"", "", "100", "", "", "300", "", "", "", ""}));
  EXPECT_EQ(shown(*f, "taskNo"), QStringList({"26-12-0001 闸阀 DN100", "26-12-0001-01 闸阀 DN100",
                                              "26-12-0001-01", "合计", "26-12-0001-02 阀体 DN100",
                                              "26-12-0001-02", "", "", "合计", "合计"}));
  const QStringList good = shown(*f, "gqty");
  EXPECT_EQ(good.mid(2, 2), QStringList({"", "0"}));
  EXPECT_EQ(good.mid(5, 5), QStringList({"100", "120", "80", "300", "300"}));
  const QStringList scrapped = shown(*f, "lfqty");
  EXPECT_EQ(scrapped.at(9), "4");
  EXPECT_EQ(shown(*f, "fxqty").at(9), "3");
  EXPECT_EQ(shown(*f, "staffName").mid(5, 3), QStringList({"张三", "张三", "张三"}))
      << "record columns repeat";

  // Values reach the server bound: a quote is just a character of an item nobody has.
  f->loadFlowCard("26-12-0001' or '1'='1");
  EXPECT_EQ(rows.recordCount(), 0);
  EXPECT_TRUE(f->Edit5->text().isEmpty());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(FlowCardTest, WithoutClearingASecondQueryAddsTheRowsAgain) {
  auto f = query();
  f->CheckBox1->setChecked(false);
  f->qryBtnClick();
  EXPECT_EQ(f->flowCDS().recordCount(), 8);
  EXPECT_EQ(f->flowCDS().changeCount(), 0) << "shown rows are never sent";
  // One item group; each task line's group twice, in the order the rows came.
  EXPECT_EQ(shown(*f, "taskNo").count("合计"), 5);
  f->CheckBox1->setChecked(true);
  f->qryBtnClick();
  EXPECT_EQ(f->flowCDS().recordCount(), 4);
}

TEST_F(FlowCardTest, ProductFilterShowsOnlyThatProduct) {
  auto f = query();
  f->gCmb->setCurrentIndex(f->gCmb->findText("A"));
  EXPECT_EQ(column(f->flowCDS(), "productNo"), QStringList({"A", "A", "A"}));
  EXPECT_EQ(shown(*f, "gqty").last(), "300") << "sums follow the filter";
  f->gCmb->setCurrentIndex(0);
  EXPECT_EQ(f->flowCDS().recordCount(), 4);

  // No drawings screen is registered in this program: the user is told so.
  f->drawingClick();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kFlowNoDrawings});
}

TEST_F(FlowCardTest, ProcessRecordIsStoredAtPostAndADeletionAtOnce) {
  auto f = query();
  bool checked = false;
  desktop_.on<Tbus_flowEditForm>([&](Tbus_flowEditForm& d) {
    client::RecordEditor* e = d.editor();
    // Defaults of a new record, and the flow row's description rows.
    EXPECT_EQ(e->editorText("taskNo"), "26-12-0001-01");
    EXPECT_EQ(e->editorText("procName"), "装配");
    EXPECT_EQ(e->editorText("depName"), "机加车间");
    EXPECT_EQ(e->editorText("inspName"), "admin");
    EXPECT_EQ(e->editorText("inspDate"), QDate::currentDate().toString("yyyy-MM-dd"));
    e->setEditorText("staffName", "张三");
    e->setEditorText("dev", "V1 车床 C6140");
    e->setEditorText("gqty", "7");
    e->postRecord();
    EXPECT_EQ(count("select count(*) from bus_flow where taskNo = '26-12-0001-01' and gqty = 7"
                    " and staffNo = 'S1' and devNo = 'V1' and inspName = 'admin'"),
              1);
    // A second one, deleted again in the same sitting: the deletion is sent at once.
    e->insertRecord();
    e->setEditorText("gqty", "5");
    e->postRecord();
    EXPECT_EQ(count("select count(*) from bus_flow where taskNo = '26-12-0001-01'"), 2);
    EXPECT_EQ(e->editorText("gqty"), "5");
    prompter_.answers.push_back(1);
    e->deleteRecord();
    EXPECT_EQ(count("select count(*) from bus_flow where taskNo = '26-12-0001-01'"), 1);
    EXPECT_EQ(d.records().changeCount(), 0);
    checked = true;
    return QDialog::Rejected;
  });
  plus(*f, "gqty", 0);
  ASSERT_TRUE(checked);
  EXPECT_EQ(f->flowCDS().recordCount(), 4) << "the card shows new records after a query";
  f->qryBtnClick();
  EXPECT_EQ(column(f->flowCDS(), "gqty").first(), "7");
}

TEST_F(FlowCardTest, ReceiptStoresNamesAndItsDeletionIsSentAtOnce) {
  auto f = query();
  int seen = 0;
  desktop_.on<Tbus_flowRecForm>([&](Tbus_flowRecForm& d) {
    client::RecordEditor* e = d.editor();
    EXPECT_EQ(e->editorText("taskNo"), "26-12-0001-02");
    EXPECT_EQ(e->editorText("procName"), "车削");
    EXPECT_EQ(e->editorText("recDate"), QDate::currentDate().toString("yyyy-MM-dd"));
    if (seen++ == 0) {
      e->setEditorText("recQty", "50");
      e->setEditorText("recDep", "机加车间");
      e->setEditorText("recPerson", "张三");
      e->postRecord();
    } else {
      // The second opening pages back to the stored receipt and deletes it.
      e->firstRecord();
      EXPECT_EQ(e->editorText("recQty"), "50");
      prompter_.answers.push_back(1);
      e->deleteRecord();
    }
    return QDialog::Rejected;
  });
  plus(*f, "recQty", 2);
  EXPECT_EQ(text("select recDep || '/' || recPerson || '/' || recQty from bus_flow_rec"),
            "机加车间/张三/50");
  f->qryBtnClick();
  EXPECT_EQ(column(f->flowCDS(), "recQty").at(1), "50") << "the line's received quantity";
  plus(*f, "recQty", 1);
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(count("select count(*) from bus_flow_rec"), 0);
}

TEST_F(FlowCardTest, ARefusedRecordShowsTheServersTextAndStaysForCorrection) {
  addUser("clerk", "pw123456");
  conn_->logout();
  ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "clerk", "pw123456"), "OK");
  auto f = query();
  desktop_.on<Tbus_flowEditForm>([&](Tbus_flowEditForm& d) {
    d.editor()->setEditorText("gqty", "9");
    d.editor()->postRecord();
    EXPECT_EQ(d.records().changeCount(), 1) << "kept as typed";
    EXPECT_EQ(d.editor()->editorText("gqty"), "9");
    return QDialog::Rejected;
  });
  plus(*f, "staffName", 0);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_TRUE(prompter_.shown[0].text.contains("工序流转卡"))
      << prompter_.shown[0].text.toStdString();
  EXPECT_EQ(count("select count(*) from bus_flow where taskNo = '26-12-0001-01'"), 0);
}

TEST_F(FlowCardTest, SalesOrderQueryDetailOpensTheLoadedCard) {
  client::registerProductionScreens();
  client::Tsys_qryForm list(*dm_);
  int rows = -1;
  desktop_.on<Tbus_flowForm>([&](Tbus_flowForm& f) {
    EXPECT_EQ(f.taskEdit->text(), kItem);
    EXPECT_EQ(f.gCmb->count(), 0) << "the product list waits for a query";
    EXPECT_EQ(f.Edit4->text(), "钢印");
    rows = f.flowCDS().recordCount();
    return QDialog::Rejected;
  });
  client::Tsys_qryForm::detailHandler("qry_bus_so")(list, {{"gsNo", kItem}});
  EXPECT_EQ(rows, 4);
}

TEST_F(FlowCardTest, ThePrintedCardCarriesAReadableCodePerTaskLine) {
  dm_->accountName = QString::fromUtf8(kAccount);
  auto f = query();
  QStringList pages;
  desktop_.on<client::Tsys_reportForm>([](client::Tsys_reportForm& r) {
    EXPECT_TRUE(r.selectStyle("标准样式"));
    r.previewActionExecute();
    return QDialog::Rejected;
  });
  desktop_.on<client::ReportPreview>([&](client::ReportPreview& p) {
    QString error;
    EXPECT_TRUE(
        client::exportImages(p.report(), programFile("card.png"), "png", 150, &error, &pages))
        << error.toStdString();
    return QDialog::Rejected;
  });
  f->printClick();
  ASSERT_EQ(pages.size(), 1);

  QProcess zbar;
  zbar.start("zbarimg", {"--quiet", "--raw", pages[0]});
  ASSERT_TRUE(zbar.waitForFinished(60000)) << "zbarimg (zbar-tools) must be installed";
  QStringList codes =
      QString::fromUtf8(zbar.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  codes.sort();
  const QString address = client::shopPageAddress();
  EXPECT_TRUE(address.startsWith(conn_->url() + "/shop/#a=")) << address.toStdString();
  EXPECT_EQ(codes, QStringList({address + "&t=26-12-0001-01", address + "&t=26-12-0001-02"}));
}

}  // namespace
}  // namespace qk::test
