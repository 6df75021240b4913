// Process cards against a real server: the process type switching the header fields and step
// columns while every value stays in the card, navigation that never leaves the task, the save
// checks in their order, a new card's number, user, date and task, and the refusal of a user
// without the card's right.
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>

#include "client/data/dataset.h"
#include "client/production/process_card_form.h"
#include "client/widgets/data_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::DocumentEditor;
using client::Prompter;
using client::Tbus_checkForm;

class ProcessCardTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    exec(
        "insert into bas_doc(docId, docType, docNo) values ('工艺卡片', '机加工', '31'), "
        "('工艺卡片', '锻压', '32'), ('工艺卡片', '热处理', '33'), ('工艺卡片', '外协', '34')");
    exec(
        "insert into bas_products(productNo, productName, productSize) values ('P1', '阀体', "
        "'DN100')");
    exec("insert into bus_task(keyNo, gsNo) values ('RW-1', '26-12-0001')");
    exec(
        "insert into bus_task_det(keyNo, itemNo, taskNo, gsNo, productNo, qty) values "
        "('RW-1', 1, '26-12-0001-01', '26-12-0001', 'P1', 10), "
        "('RW-1', 2, '26-12-0001-02', '26-12-0001', 'P1', 5)");
  }

  std::unique_ptr<Tbus_checkForm> open(const QString& taskNo, QVariant qty = 10) {
    auto f = std::make_unique<Tbus_checkForm>(client::ProcessCardTask{taskNo, qty});
    f->formShow();
    return f;
  }

  void addStep(DocumentEditor& f, const QVariantMap& values) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
      d.fieldByName(it.key()).setValue(*it);
    d.post();
  }

  static bool shown(DocumentEditor& f, const char* field) {
    return f.headerEditor(field)->isVisibleTo(&f);
  }
};

TEST_F(ProcessCardTest, SwitchingTheTypeShowsItsFieldsAndColumnsAndKeepsTheOthersValues) {
  auto f = open("26-12-0001-01");
  f->newActionExecute();
  EXPECT_EQ(f->shownType(), "机加工");
  qobject_cast<QLineEdit*>(f->headerEditor("mpcc"))->setText("Φ220×180");
  addStep(*f, {{"workStep", "粗车端面"}, {"dj", "YT15车刀"}, {"rotSpeed", 120}});
  EXPECT_GE(f->dataGrid()->columnIndex("dj"), 0);
  EXPECT_EQ(f->dataGrid()->columnIndex("rcl_jrwd"), -1);
  EXPECT_TRUE(shown(*f, "mpcc"));
  EXPECT_FALSE(shown(*f, "rcl_rcllh"));

  QComboBox* type = f->headerCombo("docType");
  type->setCurrentText("锻压");
  EXPECT_EQ(f->headerLabel("mpzl")->text(), "毛坯重量");  // the same field, another meaning
  EXPECT_GE(f->dataGrid()->columnIndex("dy_sdwd"), 0);
  EXPECT_EQ(f->dataGrid()->columnIndex("rotSpeed"), -1);

  type->setCurrentText("热处理");
  EXPECT_EQ(f->headerLabel("mpzl")->text(), "毛坯种类");
  EXPECT_EQ(f->dataGrid()->columnIndex("dj"), -1);
  EXPECT_EQ(f->dataGrid()->columnIndex("dy_sdwd"), -1);
  EXPECT_GE(f->dataGrid()->columnIndex("rcl_jrwd"), 0);
  EXPECT_EQ(f->dataGrid()->columnIndex("rcl_gs"), -1);
  EXPECT_GE(f->dataGrid()->columnIndex("workStep"), 0);
  EXPECT_FALSE(shown(*f, "mpcc"));
  EXPECT_TRUE(shown(*f, "rcl_rcllh"));
  qobject_cast<QLineEdit*>(f->headerEditor("rcl_rcllh"))->setText("RT3-1");
  f->dCDS().edit();
  f->dCDS().fieldByName("rcl_jrwd").setValue("850℃");
  f->dCDS().post();

  // A type the screen has no panel for leaves the last one in place.
  type->setCurrentText("外协");
  EXPECT_EQ(f->shownType(), "热处理");
  EXPECT_TRUE(shown(*f, "rcl_rcllh"));
  type->setCurrentText("热处理");

  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select docType || '|' || mpcc || '|' || rcl_rcllh from bus_check"),
            "热处理|Φ220×180|RT3-1");
  EXPECT_EQ(text("select workStep || '|' || dj || '|' || rotSpeed || '|' || rcl_jrwd "
                 "from bus_check_det"),
            "粗车端面|YT15车刀|120|850℃");

  // Read again, the card shows its own type's panel.
  f->lastActionExecute();
  EXPECT_EQ(f->shownType(), "热处理");
  EXPECT_EQ(f->dataGrid()->columnIndex("dj"), -1);
}

TEST_F(ProcessCardTest, NavigationMovesOnlyAmongTheCardsOfTheTask) {
  exec(
      "insert into bus_check(keyNo, docType, taskNo, audited) values "
      "('GY-A', '机加工', '26-12-0001-01', 0), ('GY-B', '机加工', '26-12-0001-02', 0), "
      "('GY-C', '锻压', '26-12-0001-01', 0), ('GY-D', '热处理', '26-12-0001-02', 0)");
  auto f = open("26-12-0001-01");
  EXPECT_EQ(f->shownKeyNo(), "GY-C");
  EXPECT_EQ(f->shownType(), "锻压");
  f->priorActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-A");
  f->priorActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-A");
  EXPECT_FALSE(f->priorAction->isEnabled());
  f->nextActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-C");
  f->nextActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-C");
  EXPECT_FALSE(f->nextAction->isEnabled());
  f->firstActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-A");
  f->lastActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-C");

  // A task without cards shows none, whichever way the user moves.
  auto empty = open("26-12-0009-01");
  EXPECT_FALSE(empty->hasDocument());
  empty->firstActionExecute();
  empty->nextActionExecute();
  EXPECT_FALSE(empty->hasDocument());

  // Deleting a card shows the task's last remaining one, not another task's.
  prompter_.answers = {0};
  f->delActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "GY-A");
  EXPECT_EQ(count("select count(*) from bus_check"), 3);
}

TEST_F(ProcessCardTest, SaveChecksTypeStepsAndContentAndNumbersANewCardWithUserAndDate) {
  // Without a task there is nothing a card could belong to.
  auto none = open("");
  none->newActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kCardNeedsTask});
  EXPECT_EQ(none->state(), DocumentEditor::State::Browse);

  auto f = open("26-12-0001-02", 5);
  f->newActionExecute();
  EXPECT_EQ(qobject_cast<QLineEdit*>(f->headerEditor("des"))->text(), "阀体 DN100");
  f->mCDS().edit();
  f->mCDS().fieldByName("docType").setValue(QVariant());
  f->mCDS().post();
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{client::kCardTypeEmpty});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);

  f->headerCombo("docType")->setCurrentText("机加工");
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});

  addStep(*f, {{"workStep", "钻孔"}});
  addStep(*f, {{"dj", "Φ18钻头"}});
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{client::kCardStepEmpty});
  EXPECT_EQ(f->dCDS().currentRow(), 1);  // left on the step without content

  f->dCDS().edit();
  f->dCDS().fieldByName("workStep").setValue("倒角");
  f->dCDS().post();
  f->headerCombo("jjmc")->setEditText("三爪卡盘");
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  const QString number = "GY-" + QDate::currentDate().toString("yy-MM-") + "0001";
  EXPECT_EQ(f->shownKeyNo(), number);
  EXPECT_EQ(text("select keyNo || '|' || taskNo || '|' || qty || '|' || userName || '|' || "
                 "jjmc from bus_check"),
            (number + "|26-12-0001-02|5|admin|三爪卡盘").toStdString());
  EXPECT_EQ(count("select count(*) from bus_check where date(docDate) = date('now', 'localtime')"),
            1);
  EXPECT_EQ(text("select group_concat(itemNo || workStep, ',') from "
                 "(select * from bus_check_det order by itemNo)"),
            "1钻孔,2倒角");
  EXPECT_EQ(f->footerText("userName"), "admin");

  // The fixture now typed is offered the next time the box is entered.
  auto next = open("26-12-0001-02");
  next->refillSuggestions("jjmc");
  EXPECT_GE(next->headerCombo("jjmc")->findText("三爪卡盘"), 0);
}

TEST_F(ProcessCardTest, AUserWithoutTheCardsRightIsRefused) {
  addUser("王五", "pw5");
  conn_->close();
  conn_->open();
  ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "王五", "pw5"), "OK");
  dm_->userName = "王五";
  auto f = open("26-12-0001-01");
  f->newActionExecute();
  addStep(*f, {{"workStep", "粗车"}});
  EXPECT_FALSE(f->saveDoc());
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_NE(prompter_.shown.back().text, "OK");
  EXPECT_EQ(count("select count(*) from bus_check"), 0);
  EXPECT_EQ(f->state(), DocumentEditor::State::New);
}

}  // namespace
}  // namespace qk::test
