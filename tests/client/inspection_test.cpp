// The incoming inspection against a real server: the save checks (a passed quantity of 0 is a
// fully rejected lot and is recorded), the purchase-line picker, lines numbered into rowNo, the
// refusals of an audited inspection, the master read through its view and deleted first, and
// the server's refusal of a user without the inspection's right.
#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QValidator>

#include "client/data/dataset.h"
#include "client/quality/check_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"
#include "line_input.h"
#include "server/core/account_store.h"

namespace qk::test {
namespace {

using client::DocumentEditor;
using client::kInspectionAudited;
using client::kInspectionIncomplete;
using client::Prompter;
using client::TcheckForm;
using client::Tsys_qryForm;

QString inspectionNo(const char* sequence) {
  return "JY-" + QDate::currentDate().toString("yy-MM-") + sequence;
}

class InspectionTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    desktop_.on<Tsys_qryForm>([this](Tsys_qryForm& d) {
      EXPECT_EQ(d.windowTitle(), "采购订单查询");
      return pickRows(d, {pickedBatch_}, "psNo");
    });
    // The methods are kept by administrators outside the screens.
    server::AccountStore(dir_.path())
        .open(kAccount)
        ->script(
            "insert into bas_checkId(checkIdNo, checkIdName) values('02', '抽检'), "
            "('01', '全检')");
    exec("insert into bas_sup(supNo, supName) values('S1', '钢材公司')");
    exec("insert into bus_PO(keyNo, supNo) values('CG-1', 'S1')");
    exec(
        "insert into bus_po_det(keyNo, POItemNo, psNo, productNo, Qty, des) values "
        "('CG-1', 1, 'PO26120001', 'M1', 500, '圆钢 Φ60 304'), "
        "('CG-1', 2, 'PO26120002', 'M2', 80, '钢板 δ20 Q235')");
  }

  std::unique_ptr<TcheckForm> open() {
    auto f = std::make_unique<TcheckForm>();
    f->formShow();
    return f;
  }

  void type(DocumentEditor& f, const char* field, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(f.headerEditor(field));
    ASSERT_NE(edit, nullptr) << field;
    edit->setText(text);
  }

  void addLine(DocumentEditor& f, const QString& value) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    d.fieldByName("item1").setValue(value);
    d.post();
  }

  // An inspection being entered: purchase line picked, method chosen, the whole lot passed.
  std::unique_ptr<TcheckForm> completeInspection() {
    auto f = open();
    f->newActionExecute();
    f->pickPurchaseLine();
    f->headerCombo("checkId")->setCurrentIndex(0);
    type(*f, "gqty", "500");
    addLine(*f, "Φ60.02");
    return f;
  }

  QString pickedBatch_ = "PO26120001";
};

TEST_F(InspectionTest, SaveRefusesAMissingFieldButRecordsAFullyRejectedLot) {
  auto f = open();
  f->newActionExecute();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{kInspectionIncomplete});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);

  f->pickPurchaseLine();
  f->headerCombo("checkId")->setCurrentIndex(1);
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());  // nothing said about the passed quantity
  EXPECT_EQ(prompter_.texts(), QStringList{kInspectionIncomplete});

  type(*f, "gqty", "0");  // every piece rejected
  type(*f, "lfqty", "500");
  type(*f, "qty", "0");
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());  // but something must have been submitted
  EXPECT_EQ(prompter_.texts(), QStringList{kInspectionIncomplete});

  // Quantities take digits only: nothing typed there is a number the save cannot store.
  const QValidator* digits = qobject_cast<QLineEdit*>(f->headerEditor("qty"))->validator();
  ASSERT_NE(digits, nullptr);
  for (QString typed : {"5a", "-", "1,5", "."}) {
    int at = 0;
    EXPECT_EQ(digits->validate(typed, at), QValidator::Invalid) << typed.toStdString();
  }
  type(*f, "qty", "500");
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});

  addLine(*f, "Φ59.70");  // a line of measured values needs no quantity or number
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(f->shownKeyNo(), inspectionNo("0001"));
  EXPECT_EQ(text("select posch || '|' || checkId || '|' || qty || '|' || gqty || '|' || lfqty || "
                 "'|' || editName || '|' || docNo || '|' || des from check_m"),
            "PO26120001|全检|500|0|500|admin||圆钢 Φ60 304");
  EXPECT_EQ(count("select count(*) from check_m where editDate is not null"), 1);
  EXPECT_EQ(f->footerText("editName"), "admin");
}

TEST_F(InspectionTest, PickingAPurchaseLineOverwritesTheSubmittedQuantity) {
  auto f = open();
  f->newActionExecute();
  type(*f, "qty", "120");
  type(*f, "des", "手写描述");
  pickedBatch_ = "PO26120002";
  f->headerButton("posch")->click();
  EXPECT_EQ(f->mCDS().fieldByName("posch").asString(), "PO26120002");
  EXPECT_DOUBLE_EQ(f->mCDS().fieldByName("qty").asFloat(), 80);
  EXPECT_EQ(f->mCDS().fieldByName("des").asString(), "钢板 δ20 Q235");
  EXPECT_EQ(qobject_cast<QLineEdit*>(f->headerEditor("qty"))->text(), "80");

  pickedBatch_ = "nothing";  // nothing marked: nothing changes
  f->pickPurchaseLine();
  EXPECT_EQ(f->mCDS().fieldByName("posch").asString(), "PO26120002");
}

TEST_F(InspectionTest, LinesAreNumberedIntoRowNoInGridOrder) {
  auto f = completeInspection();
  addLine(*f, "Φ60.10");
  addLine(*f, "Φ59.95");
  ASSERT_TRUE(f->saveDoc());
  f->editActionExecute();
  f->dCDS().moveTo(1);
  f->minuActionExecute();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select group_concat(rowNo || '=' || item1, ',') from "
                 "(select * from check_d order by rowNo)"),
            "1=Φ60.02,2=Φ59.95");
}

TEST_F(InspectionTest, AnAuditedInspectionIsNeitherEditedNorDeleted) {
  auto f = completeInspection();
  ASSERT_TRUE(f->saveDoc());
  f->audActionExecute();
  EXPECT_EQ(text("select audName from check_m"), "admin");
  prompter_.clear();

  f->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{kInspectionAudited});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Information);
  EXPECT_EQ(f->state(), DocumentEditor::State::Browse);

  prompter_.clear();
  f->delActionExecute();  // refused before the confirmation is asked
  EXPECT_EQ(prompter_.texts(), QStringList{kInspectionAudited});
  EXPECT_EQ(count("select count(*) from check_m"), 1);
  EXPECT_EQ(count("select count(*) from check_d"), 1);

  f->unaudActionExecute();
  prompter_.clear();
  prompter_.answers.push_back(0);
  f->delActionExecute();
  EXPECT_EQ(prompter_.texts(), (QStringList{"确定要删除此张单据吗？", "OK"}));
  EXPECT_EQ(count("select count(*) from check_m"), 0);
  EXPECT_EQ(count("select count(*) from check_d"), 0);
}

TEST_F(InspectionTest, AStoredInspectionIsShownWithItsMethodAndEntry) {
  auto f = completeInspection();
  type(*f, "heatNo", "L2612-07");
  ASSERT_TRUE(f->saveDoc());
  auto g = open();  // a fresh screen shows the last inspection, read through the view
  EXPECT_EQ(g->shownKeyNo(), inspectionNo("0001"));
  EXPECT_EQ(g->headerCombo("checkId")->currentText(), "抽检");
  EXPECT_EQ(qobject_cast<QLineEdit*>(g->headerEditor("heatNo"))->text(), "L2612-07");
  EXPECT_EQ(g->footerText("editName"), "admin");
  EXPECT_FALSE(g->footerText("editDate").isEmpty());
  EXPECT_EQ(g->dCDS().valueAt(0, "item1").toString(), "Φ60.02");
  // The methods in the table's order.
  QComboBox* methods = g->headerCombo("checkId");
  ASSERT_GE(methods->count(), 2);
  EXPECT_EQ(methods->itemText(0), "抽检");
  EXPECT_EQ(methods->itemText(1), "全检");

  client::registerQualityScreens();
  const client::ScreenFactory* factory = client::findScreen("check_POAction");
  ASSERT_NE(factory, nullptr);
  std::unique_ptr<QDialog> dlg((*factory)(nullptr));
  EXPECT_EQ(qobject_cast<TcheckForm*>(dlg.get())->shownKeyNo(), inspectionNo("0001"));
}

TEST_F(InspectionTest, AUserWithoutTheInspectionsRightIsRefused) {
  addUser("王五", "pw5");
  conn_->close();
  conn_->open();
  ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "王五", "pw5"), "OK");
  dm_->userName = "王五";
  auto f = completeInspection();
  EXPECT_FALSE(f->saveDoc());
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_NE(prompter_.shown.back().text, "OK");
  EXPECT_EQ(count("select count(*) from check_m"), 0);
  EXPECT_EQ(f->state(), DocumentEditor::State::New);  // the work is kept
}

}  // namespace
}  // namespace qk::test
