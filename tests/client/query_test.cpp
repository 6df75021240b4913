// The conditions dialog and the query dialog against a real server, with query definitions the
// tests write themselves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "client/data/data_error.h"
#include "client/data/settings.h"
#include "client/query/filter_form.h"
#include "client/query/query_presets.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::Condition;
using client::TfilterForm;
using client::Tsys_qryForm;

class QueryTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    client::settings() = client::Settings{};
    client::settings().recordCount = 10;
    exec(
        "insert into sys_filter_sql (tableName, tableCName, category, idx, preSQL, keyName, "
        "sortName) values ('qry_test_cust', '客户一览', '测试', 1, 'bas_cust', 'custNo', "
        "'custNo'), ('qry_test_in', '入库一览', '测试', 2, 'wh_In', 'keyNo', 'keyNo')");
    exec(
        "insert into sys_filter (tableName, fieldName, fieldCName, dispName, width, "
        "showInResult, showInCondition, ord, type, datasource, calcSum, displayFormat) values "
        "('qry_test_cust', 'custNo', '客户编号', '客户编号', 80, 1, 1, 0, 'char', '', 0, ''),"
        "('qry_test_cust', 'custName', '客户名称', '客户名称', 120, 1, 1, 1, 'char', "
        "'select custName from bas_cust order by custName', 0, ''),"
        "('qry_test_cust', 'contact', '联系人', '联系人', 80, 0, 0, 2, 'char', '', 0, ''),"
        "('qry_test_in', 'inDate', '日期', '日期', 90, 1, 1, 0, 'date', '', 0, 'yyyy-MM-dd'),"
        "('qry_test_in', 'keyNo', '单号', '单号', 90, 1, 1, 1, 'char', '', 0, ''),"
        "('qry_test_in', 'audited', '已审核', '已审核', 60, 1, 1, 2, 'bit', '', 0, ''),"
        "('qry_test_in', 'remarkM', '备注', '备注', 60, 1, 0, 3, 'char', '', 0, '')");
    for (int i = 1; i <= 25; ++i)
      exec(QString("insert into bas_cust (custNo, custName, contact) values ('C%1', '客户%2', "
                   "'联系人%2')")
               .arg(i, 2, 10, QChar('0'))
               .arg(i));
    answerConditions();
  }
  std::unique_ptr<TfilterForm> filter(const QString& id, QDate today = QDate(2026, 12, 5)) {
    auto f = std::make_unique<TfilterForm>(*dm_);
    f->queryId = id;
    f->load(today);
    return f;
  }
  std::unique_ptr<Tsys_qryForm> dialog(const QString& id) {
    auto d = std::make_unique<Tsys_qryForm>(*dm_);
    d->queryId = id;
    d->loadQuery(id);
    d->setTreeVisible(false);
    return d;
  }
  QStringList keys(Tsys_qryForm& d) {
    QStringList out;
    for (int r = 0; r < d.listSP().recordCount(); ++r)
      out << d.listSP().valueAt(r, "custNo").toString();
    return out;
  }
};

// ---- conditions dialog -------------------------------------------------------------------

TEST_F(QueryTest, ConditionRowsStartWithTheMonthAndContainment) {
  auto f = filter("qry_test_in");
  auto& rows = f->rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].op, "大于等于");
  EXPECT_EQ(rows[0].setValue, "2026-12-01");
  EXPECT_EQ(rows[1].op, "小于等于");
  EXPECT_EQ(rows[1].setValue, "2026-12-05");
  EXPECT_EQ(rows[2].op, "包含");
  EXPECT_EQ(rows[3].op, "等于");
  EXPECT_EQ(rows[3].logic, "") << "the last row links to nothing";
  EXPECT_EQ(f->currentRow(), 3);
  ASSERT_TRUE(f->qryActionExecute());
  EXPECT_EQ(f->whereClause(),
            "inDate  >= '2026-12-01 00:00:00'  and inDate  <= '2026-12-05 23:59:59'");
  EXPECT_EQ(f->fieldList().split(',').size(), 4) << "every field of the query, shown or not";
  EXPECT_TRUE(f->fieldList().contains("remarkM"));
}

TEST_F(QueryTest, EachTypeWritesItsValueSafely) {
  std::vector<Condition> rows = {
      {"", "单号", "包含", "RK'1", "", "并且", "keyNo", "char"},
      {"", "已审核", "等于", "否", "", "并且", "audited", "bit"},
      {"", "已审核", "等于", "是", "", "并且", "audited", "bit"},
      {"", "名称", "等于", "O'Brien", "", "或者", "custName", "char"},
      {"", "数量", "大于", "12.5", "", "并且", "qty", "float"},
      {"", "日期", "等于", "2026/12/5", "", "并且", "inDate", "date"},
      {"", "日期", "不等于", "2026-12-06", "", "", "inDate", "date"},
  };
  EXPECT_EQ(TfilterForm::buildWhere(rows),
            "keyNo  like '%RK''1%'  and audited  = 0  and audited  = 1  and custName  = "
            "'O''Brien'  or qty  > 12.5  and (inDate between '2026-12-05 00:00:00' and "
            "'2026-12-05 23:59:59')  and (inDate not between '2026-12-06 00:00:00' and "
            "'2026-12-06 23:59:59')");
  // Rows without a value, field or operator take no part, and no connective dangles.
  rows[1].setValue = " ";
  rows[6].setValue.clear();
  rows[5].op.clear();
  EXPECT_EQ(TfilterForm::buildWhere(rows),
            "keyNo  like '%RK''1%'  and audited  = 1  and custName  = 'O''Brien'  or qty  > 12.5");
}

TEST_F(QueryTest, AValueThatIsNoNumberOrDateIsRefusedNamingTheField) {
  auto f = filter("qry_test_in");
  f->rows()[0].setValue = "2026-13-45";
  EXPECT_FALSE(f->qryActionExecute());
  EXPECT_EQ(prompter_.texts(), QStringList{"“日期”的条件值“2026-13-45”不是有效的日期"});
  std::vector<Condition> rows = {{"", "数量", "等于", "十", "", "", "qty", "int"}};
  try {
    TfilterForm::buildWhere(rows);
    FAIL();
  } catch (const client::DataError& e) {
    EXPECT_EQ(e.text(), "“数量”的条件值“十”不是有效的整数");
  }
}

TEST_F(QueryTest, AddedRowsAreLinkedAndPickListsComeFromTheDataSource) {
  auto f = filter("qry_test_cust");
  ASSERT_EQ(f->rows().size(), 2u);
  EXPECT_EQ(f->fieldCaptions(), (QStringList{"客户编号", "客户名称"}));
  f->addRow();
  ASSERT_EQ(f->rows().size(), 3u);
  EXPECT_EQ(f->rows()[1].logic, "并且");
  f->chooseField(2, "客户编号");
  EXPECT_EQ(f->rows()[2].fieldEngName, "custNo");
  EXPECT_EQ(f->rows()[2].type, "char");
  f->setCurrentRow(1);
  EXPECT_EQ(f->valuePickList().size(), 25);
  EXPECT_EQ(f->valuePickList().front(), "客户1");
  f->rows()[1].setValue = "客户1";
  f->rows()[2].op = "等于";
  f->rows()[2].setValue = "C10";
  ASSERT_TRUE(f->qryActionExecute());
  EXPECT_EQ(f->whereClause(), "custName  like '%客户1%'  and custNo  = 'C10'");
  f->setCurrentRow(2);
  f->deleteRow();
  EXPECT_EQ(f->rows().back().logic, "");
}

TEST_F(QueryTest, AQueryWithoutConditionFieldsOffersOneEmptyRow) {
  auto f = filter("qry_nothing");
  ASSERT_EQ(f->rows().size(), 1u);
  ASSERT_TRUE(f->qryActionExecute());
  EXPECT_EQ(f->whereClause(), "");
}

// ---- query dialog ------------------------------------------------------------------------

TEST_F(QueryTest, PagesShowTotalsAndKeepTheConditions) {
  auto d = dialog("qry_test_cust");
  d->qryActionExecute();
  client::PageBar& bar = *d->pageBar();
  EXPECT_EQ(d->totalCount(), 25);
  EXPECT_EQ(d->pageCount(), 3);
  EXPECT_EQ(bar.chooser()->count(), 3);
  EXPECT_EQ(bar.recordText(), "记录总数：25");
  EXPECT_EQ(bar.pageText(), "1");
  EXPECT_EQ(keys(*d).size(), 10);
  EXPECT_EQ(keys(*d).front(), "C01");
  emit bar.chooser()->activated(2);  // the user chooses page 3
  EXPECT_EQ(keys(*d), (QStringList{"C21", "C22", "C23", "C24", "C25"}));
  EXPECT_EQ(bar.pageText(), "3");
  EXPECT_EQ(bar.recordText(), "记录总数：25") << "paging keeps the totals";
  EXPECT_EQ(desktop_.count("qk::client::TfilterForm"), 1) << "paging asks for no conditions";
  d->callPage("bas_cust", "custNo", "custNo", "", "custNo", 10, 4, true);
  EXPECT_TRUE(keys(*d).isEmpty()) << "a page beyond the end is empty";
  // The footer's first column always says 合计.
  EXPECT_EQ(d->listGrid()->footerText("custNo"), "合计");
}

TEST_F(QueryTest, NoMatchingRowsLeaveAnEmptyPageSelector) {
  auto d = dialog("qry_test_cust");
  answerConditions([](TfilterForm& f) { f.rows()[0].setValue = "没有这个客户"; });
  d->qryActionExecute();
  EXPECT_EQ(d->totalCount(), 0);
  EXPECT_EQ(d->pageBar()->chooser()->count(), 0);
  EXPECT_EQ(d->pageBar()->recordText(), "记录总数：0");
  d->selBtnClick();
  EXPECT_EQ(prompter_.texts(), QStringList{"请选中一条记录!"});
  EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(QueryTest, ACancelledConditionsDialogKeepsThePage) {
  auto d = dialog("qry_test_cust");
  answerConditions([](TfilterForm& f) { f.rows()[1].setValue = "客户2"; });
  d->qryActionExecute();
  const QStringList shown = keys(*d);
  ASSERT_EQ(shown, (QStringList{"C02", "C20", "C21", "C22", "C23", "C24", "C25"}));
  // The user changes the conditions, then cancels: neither the page nor paging takes them.
  desktop_.on<TfilterForm>([](TfilterForm& f) {
    f.rows()[1].setValue = "客户1";
    EXPECT_TRUE(f.qryActionExecute());
    return QDialog::Rejected;
  });
  d->qryActionExecute();
  EXPECT_EQ(keys(*d), shown);
  EXPECT_EQ(d->totalCount(), 7);
  EXPECT_EQ(d->pageBar()->recordText(), "记录总数：7");
  emit d->pageBar()->chooser()->activated(0);  // the user chooses page 1 again
  EXPECT_EQ(keys(*d), shown);
}

TEST_F(QueryTest, TitleSortOrdersOnlyTheShownPage) {
  auto d = dialog("qry_test_cust");
  d->show();
  d->qryActionExecute();
  settle();
  QHeaderView* titles = d->listGrid()->view()->horizontalHeader();
  const int column = d->listGrid()->columnIndex("custNo");
  ASSERT_GE(column, 0);
  const QPoint onTitle(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
                       titles->height() / 2);
  click(titles->viewport(), onTitle);  // ascending, as the server sent it
  click(titles->viewport(), onTitle);  // descending
  EXPECT_EQ(keys(*d),
            (QStringList{"C10", "C09", "C08", "C07", "C06", "C05", "C04", "C03", "C02", "C01"}))
      << "the rows of page 1 in reverse, not the last rows of the whole result";
  EXPECT_EQ(titles->sortIndicatorSection(), column);
  EXPECT_EQ(titles->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(QueryTest, PickersReturnTheMarkedRowsInMarkingOrderWithHiddenColumns) {
  desktop_.on<Tsys_qryForm>([](Tsys_qryForm& d) {
    d.listGrid()->setChecked(3, true);
    d.listGrid()->setChecked(0, true);
    d.selBtnClick();
    return d.result();
  });
  auto rows = Tsys_qryForm::pick(nullptr, "客户查询", "qry_test_cust");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].value("custNo").toString(), "C04");
  EXPECT_EQ(rows[1].value("custNo").toString(), "C01");
  EXPECT_EQ(rows[0].value("contact").toString(), "联系人4") << "hidden in the grid, still read";

  desktop_.on<Tsys_qryForm>([](Tsys_qryForm& d) {
    d.listSP().moveTo(6);
    d.selBtnClick();
    return d.result();
  });
  auto found = Tsys_qryForm::find(nullptr, "客户查询", "qry_test_cust");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->value("custNo").toString(), "C07") << "a finder takes the current row";
  EXPECT_TRUE(Tsys_qryForm::pick(nullptr, "客户查询", "qry_test_cust").empty())
      << "a picker closed with nothing ticked picks nothing, not the current row";
  desktop_.on<Tsys_qryForm>([](Tsys_qryForm&) { return QDialog::Rejected; });
  EXPECT_FALSE(Tsys_qryForm::find(nullptr, "客户查询", "qry_test_cust"));
  // Each picker asks for its conditions before the result window shows.
  EXPECT_EQ(desktop_.titles(),
            (QStringList{"设置筛选条件", "客户查询", "设置筛选条件", "客户查询", "设置筛选条件",
                         "客户查询", "设置筛选条件", "客户查询"}));
}

TEST_F(QueryTest, TheReportCentreRunsOnlyAChosenQuery) {
  Tsys_qryForm d(*dm_);
  d.qryActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"请先选中某一查询报表!"});
  QTreeWidgetItem* root = d.repView()->topLevelItem(0);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->text(0), "报表中心");
  QTreeWidgetItem* test = nullptr;
  for (int i = 0; i < root->childCount(); ++i)
    if (root->child(i)->text(0) == "测试") test = root->child(i);
  ASSERT_TRUE(test);
  ASSERT_EQ(test->childCount(), 2);
  EXPECT_EQ(test->child(0)->text(0), "客户一览");
  d.treeClicked(test->child(0));
  EXPECT_EQ(d.queryId, "qry_test_cust");
  EXPECT_EQ(d.preSQL(), "bas_cust");
  d.qryActionExecute();
  EXPECT_EQ(d.totalCount(), 25);

  prompter_.clear();
  auto none = dialog("qry_does_not_exist");
  none->qryActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"未指定任何报表!"});
}

TEST_F(QueryTest, UndeliveredOrdersOpenTheWholeOrderAsTheirDetail) {
  exec(
      "insert into bus_SO (keyNo, custNo, docDate) values ('XS-1', 'C01', '2026-11-02 00:00:00'),"
      " ('XS-2', 'C02', '2026-11-03 00:00:00')");
  exec(
      "insert into bus_so_det (gsNo, keyNo, itemNo, productNo, qty, uprice) values "
      "('26-11-0001', 'XS-1', 1, 'P1', 10, 2), ('26-11-0002', 'XS-1', 2, 'P2', 5, 3),"
      "('26-11-0003', 'XS-2', 1, 'P3', 1, 1)");
  client::registerQueryScreens();
  const client::ScreenFactory* factory = client::findScreen("bus_SO_unfAction");
  ASSERT_NE(factory, nullptr);
  const std::unique_ptr<QDialog> screen = (*factory)(nullptr);
  auto* d = qobject_cast<Tsys_qryForm*>(screen.get());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "未交付订单查询");
  EXPECT_EQ(d->modeText, "so_unf");
  d->qryActionExecute();
  ASSERT_EQ(d->totalCount(), 3);
  QString shownId;
  QStringList orderLines;
  desktop_.on<Tsys_qryForm>([&](Tsys_qryForm& orders) {
    shownId = orders.queryId;
    for (int r = 0; r < orders.listSP().recordCount(); ++r)
      orderLines << orders.listSP().valueAt(r, "gsNo").toString();
    return QDialog::Rejected;
  });
  d->listSP().locate("gsNo", "26-11-0002");
  d->detail();
  EXPECT_EQ(desktop_.titles().last(), "订单查询");
  EXPECT_EQ(shownId, "qry_bus_so");
  EXPECT_EQ(orderLines, (QStringList{"26-11-0001", "26-11-0002"})) << "every line of that order";
}

TEST_F(QueryTest, ADetailComesOnlyFromTheHandlerRegisteredForTheQuery) {
  auto d = dialog("qry_test_cust");
  d->qryActionExecute();
  d->detail();  // nothing registered: nothing happens
  EXPECT_TRUE(prompter_.shown.empty());
  QVariantMap seen;
  Tsys_qryForm::detailHandler("qry_test_cust") = [&](Tsys_qryForm&, const QVariantMap& row) {
    seen = row;
  };
  d->listSP().moveTo(4);
  d->detail();
  Tsys_qryForm::detailHandler("qry_test_cust") = nullptr;
  EXPECT_EQ(seen.value("custNo").toString(), "C05");
  EXPECT_EQ(seen.value("contact").toString(), "联系人5") << "hidden columns too";
}

// The documents folder of a home of the test's own, so the suggested file can be known.
class ExportTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    ASSERT_TRUE(home_.isValid());
    savedHome_ = qgetenv("HOME");
    savedConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath(".config").toUtf8());
  }
  void TearDown() override {
    qputenv("HOME", savedHome_);
    if (savedConfig_.isEmpty())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", savedConfig_);
    QueryTest::TearDown();
  }
  static QString native(const QString& file) { return QDir::toNativeSeparators(file); }

  QTemporaryDir home_;
  QByteArray savedHome_, savedConfig_;
};

TEST_F(ExportTest, ACancelledOrFailedExportWritesNothingAndAFailureSaysWhy) {
  auto d = dialog("qry_test_cust");
  d->setWindowTitle("客户查询");
  d->qryActionExecute();
  const QStringList before = QDir::current().entryList({"*.xlsx"});
  desktop_.files = {QString()};
  EXPECT_TRUE(d->exportToSpreadsheet().isEmpty());
  EXPECT_TRUE(prompter_.shown.empty()) << "cancelled: nothing said";
  EXPECT_EQ(QDir::current().entryList({"*.xlsx"}), before) << "nothing in the working folder";
  EXPECT_EQ(QDir(home_.path()).entryList(QDir::Files), QStringList{});

  const QString missing = home_.filePath("没有的文件夹/客户.xlsx");
  desktop_.files = {missing};
  EXPECT_TRUE(d->exportToSpreadsheet().isEmpty());
  EXPECT_EQ(prompter_.texts(),
            QStringList{QString("无法导出到“%1”：文件夹“%2”不存在。")
                            .arg(missing, native(home_.filePath("没有的文件夹")))});
  EXPECT_TRUE(desktop_.opened.isEmpty());
}

TEST_F(ExportTest, TheFileIsSuggestedInTheDocumentsFolderThenNamedAndOfferedForOpening) {
  ASSERT_TRUE(QDir(home_.path()).mkdir("Documents"));
  auto d = dialog("qry_test_cust");
  d->setWindowTitle("客户查询");
  d->qryActionExecute();
  // The user takes the suggestion without the suffix: it is added.
  const QString chosen = home_.filePath("Documents/客户一览");
  desktop_.files = {chosen};
  prompter_.answers = {1};
  const QString file = d->exportToSpreadsheet();
  EXPECT_EQ(desktop_.suggested(), QStringList{home_.filePath("Documents/客户查询.xlsx")});
  EXPECT_EQ(desktop_.titles().last(), "导出到 Excel");
  ASSERT_EQ(file, chosen + ".xlsx");
  EXPECT_EQ(prompter_.texts(),
            QStringList{QString("已导出到 %1\n\n是否现在打开该文件？").arg(native(file))});
  EXPECT_EQ(prompter_.shown[0].icon, client::Prompter::Icon::Question);
  EXPECT_EQ(desktop_.opened, QStringList{file});
  QFile written(file);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(2) == "PK");

  // Declined: not opened. Accepted where no program opens .xlsx: said so.
  prompter_.clear();
  desktop_.files = {file};
  prompter_.answers = {0};
  d->exportToSpreadsheet();
  EXPECT_EQ(desktop_.opened.size(), 1);
  EXPECT_EQ(prompter_.shown.size(), 1u);
  prompter_.clear();
  desktop_.openSucceeds = false;
  desktop_.files = {file};
  prompter_.answers = {1};
  d->exportToSpreadsheet();
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[1].text,
            QString("系统中没有可以打开 .xlsx 文件的程序，文件已保存在 %1").arg(native(file)));
}

TEST_F(ExportTest, WithoutADocumentsFolderTheHomeFolderIsSuggestedUnderACleanName) {
  Tsys_qryForm d(*dm_);
  QTreeWidgetItem* query = d.repView()->topLevelItem(0)->child(0)->child(0);
  ASSERT_TRUE(query);
  d.treeClicked(query);
  query->setText(0, "客户/供应商:一览");  // a name no file system takes as it is
  desktop_.files = {QString()};
  d.exportToSpreadsheet();
  EXPECT_EQ(desktop_.suggested(), QStringList{home_.filePath("客户_供应商_一览.xlsx")})
      << "the chosen query names the file in the report centre";
}

}  // namespace
}  // namespace qk::test
