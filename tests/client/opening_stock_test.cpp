// Opening stock against a real server: the amount of a row, an edit that cannot move a row to
// another warehouse or product, a delete that reaches the database at once and leaves nothing
// pending, a refusal of the server shown and kept for the next save, and the right the server
// asks for.
#include <QComboBox>
#include <QLineEdit>

#include "client/data/dataset.h"
#include "client/stock/opening_stock_form.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Twh_iniEditForm;
using client::Twh_initForm;

class OpeningStockTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    answerConditions();
    exec(
        "insert into bas_dep(depNo, depName, isWh) values('W1', '成品仓', 1), ('W2', '原料仓', 1)");
    exec(
        "insert into bas_products(productNo, productName, productSize, productUnit) values "
        "('P1', '闸阀', 'DN50', '台'), ('P2', '圆钢', 'Φ50', '公斤')");
    exec(
        "insert into wh_stock(whNo, whName, productNo, initQty, initPrice) values "
        "('W1', '成品仓', 'P1', 10, 2.5), ('W2', '原料仓', 'P2', 100, 6)");
    form_ = std::make_unique<Twh_initForm>();
    form_->qryActionExecute();
  }
  client::Dataset& rows() { return dm_->stockCDS; }
  // The edit dialog answered by `edit`, then its OK.
  void answerEdit(std::function<void(Twh_iniEditForm&)> edit) {
    desktop_.on<Twh_iniEditForm>([edit](Twh_iniEditForm& d) {
      edit(d);
      d.okBtnClick();
      return d.result();
    });
  }
  QLineEdit* line(Twh_iniEditForm& d, const char* field) {
    return qobject_cast<QLineEdit*>(d.editor(field));
  }

  std::unique_ptr<Twh_initForm> form_;
};

TEST_F(OpeningStockTest, AnEditKeepsTheKeysAndSavesTheQuantity) {
  ASSERT_EQ(rows().recordCount(), 2);
  ASSERT_EQ(rows().fieldByName("productNo").asString(), "P1");
  EXPECT_DOUBLE_EQ(rows().fieldByName("amount").asFloat(), 25);
  EXPECT_EQ(rows().fieldByName("productName").asString(), "闸阀");

  answerEdit([this](Twh_iniEditForm& d) {
    EXPECT_TRUE(line(d, "whNo")->isReadOnly());
    EXPECT_TRUE(line(d, "productNo")->isReadOnly());
    EXPECT_FALSE(d.whNameBox()->isEnabled());
    EXPECT_EQ(line(d, "amount")->text(), "25.00");
    line(d, "initQty")->setText("12");
  });
  form_->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(rows().changeCount(), 0);
  EXPECT_EQ(text("select initQty || ':' || whNo || ':' || productNo from wh_stock "
                 "where productNo = 'P1'"),
            "12:W1:P1");
  EXPECT_DOUBLE_EQ(rows().fieldByName("amount").asFloat(), 30);

  // Cancelled, the row stays as it was.
  desktop_.on<Twh_iniEditForm>([this](Twh_iniEditForm& d) {
    line(d, "initPrice")->setText("99");
    d.commitEditors();
    return int(QDialog::Rejected);
  });
  form_->editActionExecute();
  EXPECT_DOUBLE_EQ(rows().fieldByName("initPrice").asFloat(), 2.5);
  EXPECT_EQ(rows().changeCount(), 0);
}

TEST_F(OpeningStockTest, ADeleteReachesTheDatabaseAtOnceAndLeavesNothingPending) {
  prompter_.answers = {1};
  form_->delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此项吗"});
  EXPECT_EQ(count("select count(*) from wh_stock where productNo = 'P1'"), 0);
  EXPECT_EQ(rows().recordCount(), 1);
  EXPECT_EQ(rows().changeCount(), 0);

  // The next save carries only its own change.
  prompter_.clear();
  answerEdit([this](Twh_iniEditForm& d) { line(d, "remark")->setText("盘点"); });
  form_->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(text("select remark from wh_stock where productNo = 'P2'"), "盘点");
}

TEST_F(OpeningStockTest, ARefusalIsShownAndStaysPendingForTheNextSave) {
  // Another user deleted the row meanwhile: the edit finds nothing to change.
  exec("delete from wh_stock where productNo = 'P1'");
  answerEdit([this](Twh_iniEditForm& d) { line(d, "initQty")->setText("7"); });
  form_->editActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_NE(prompter_.shown[0].text, "OK");
  EXPECT_FALSE(prompter_.shown[0].text.isEmpty());
  EXPECT_EQ(rows().changeCount(), 1);
}

TEST_F(OpeningStockTest, WithoutTheRightOfTheScreenTheServerRefusesTheDelete) {
  addUser("clerk", "clerk-pass-1");
  auto clerk = newClient();
  clerk->login("clerk", "clerk-pass-1");
  const std::string error = clerk->errorOf(
      "/api/execute", {{"provider", "pubDSP"},
                       {"sql", "delete from wh_stock where whNo = :p1 and productNo = :p2"},
                       {"params", {{"p1", "W1"}, {"p2", "P1"}}}});
  EXPECT_NE(error.find("期初库存"), std::string::npos) << error;
  EXPECT_EQ(count("select count(*) from wh_stock"), 2);
}

}  // namespace
}  // namespace qk::test
