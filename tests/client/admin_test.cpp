// The administration screens against a real server: layout and query-definition saves that
// renumber and write all or nothing, passwords that only the server reads, rights stamped with
// their user and refused to a user without the right, the login log of a day, and settings
// checked on entry and reaching the next screen opened.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>

#include "client/admin/config_val_form.h"
#include "client/admin/sys_col_form.h"
#include "client/admin/sys_config_form.h"
#include "client/admin/sys_log_form.h"
#include "client/admin/sys_pwd_form.h"
#include "client/admin/sys_qry_set_form.h"
#include "client/admin/sys_rights_form.h"
#include "client/admin/sys_user_form.h"
#include "client/app/actions.h"
#include "client/app/screens.h"
#include "client/data/settings.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Dataset;

class AdminTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    dm_->userName = "admin";
  }
  // Logs the client in again as another user.
  void loginAs(const char* user, const char* password) {
    ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), user, password), "OK");
    dm_->userName = user;
  }
  QString loginReply(const char* user, const QString& password) {
    client::Connection other(QString("http://127.0.0.1:%1").arg(port_));
    other.open();
    return other.login(QString::fromUtf8(kAccount), user, password);
  }
  static void setField(Dataset& ds, int row, const char* field, const QVariant& value) {
    ds.moveTo(row);
    ds.edit();
    ds.fieldByName(field).setValue(value);
    ds.post();
  }
};

TEST_F(AdminTest, LayoutRowsMoveWithinTheirEndsAndSaveRenumbersWithoutGaps) {
  // A gap in the stored positions must not survive the save.
  exec("update sys_col set rowNo = rowNo * 2 where tableName = 'bas_cust'");
  client::Tsys_colForm form;
  ASSERT_TRUE(form.names().contains("客户资料"));
  form.chooseName("客户资料");
  Dataset& cols = form.colCds();
  const QStringList before = column(cols, "fieldName");
  ASSERT_GE(before.size(), 3);

  cols.first();
  form.moveUpExecute();
  cols.last();
  form.moveDownExecute();
  EXPECT_EQ(column(cols, "fieldName"), before);
  EXPECT_EQ(cols.changeCount(), 0);

  cols.first();
  form.moveDownExecute();
  EXPECT_EQ(cols.fieldByName("fieldName").asString(), before[0]);  // the moved row stays current
  form.saveExecute();
  EXPECT_EQ(prompter_.texts().last(), "保存成功!");

  QStringList expected = before;
  expected.swapItemsAt(0, 1);
  const auto stored = open(
      "select fieldName, rowNo from sys_col where tableName = 'bas_cust' "
      "order by rowNo");
  EXPECT_EQ(column(*stored, "fieldName"), expected);
  for (int r = 0; r < stored->recordCount(); ++r) EXPECT_EQ(stored->valueAt(r, "rowNo"), r);
}

TEST_F(AdminTest, AFailedLayoutSaveLeavesTheOldLayoutWhole) {
  client::Tsys_colForm form;
  form.chooseName("客户资料");
  Dataset& cols = form.colCds();
  const QStringList before = column(cols, "fieldName");
  cols.first();
  form.moveDownExecute();
  // Longer than the column holds: the server refuses this row, after the moved ones.
  setField(cols, cols.recordCount() - 1, "fieldCName", QString(51, QChar(u'长')));
  form.saveExecute();
  ASSERT_FALSE(prompter_.texts().contains("保存成功!"));
  EXPECT_TRUE(prompter_.texts().last().contains("50")) << prompter_.texts().join("|").toStdString();
  const auto stored =
      open("select fieldName from sys_col where tableName = 'bas_cust' order by rowNo");
  EXPECT_EQ(column(*stored, "fieldName"), before);
}

TEST_F(AdminTest, QueryDefinitionRefusesDuplicateCaptionsAndSavesTheMovedField) {
  client::Tsys_qry_setForm form;
  ASSERT_EQ(form.names().first(), "入库单查询");  // in the stored order
  form.chooseName("入库单查询");
  Dataset& fields = form.colCds();
  const QStringList before = column(fields, "fieldName");

  // Two fields called alike: the conditions dialog could reach only one of them.
  setField(fields, 1, "fieldCName", fields.valueAt(0, "fieldCName").toString().toUpper());
  form.saveExecute();
  EXPECT_EQ(
      prompter_.texts().last(),
      QString("列名“%1”重复，请修改后再保存!").arg(fields.valueAt(1, "fieldCName").toString()));
  EXPECT_EQ(text("select fieldCName from sys_filter where tableName = 'qry_wh_in' and ord = 1"),
            "入库日期");

  // Restoring the default captions ends the clash; the third field goes up and is saved at 1.
  form.restoreCaptionsExecute();
  fields.moveTo(2);
  form.moveUpExecute();
  form.saveExecute();
  EXPECT_EQ(prompter_.texts().last(), "保存成功!");
  QStringList expected = before;
  expected.swapItemsAt(1, 2);
  const auto stored = open(
      "select fieldName, ord, fieldCName, dispName from sys_filter "
      "where tableName = 'qry_wh_in' order by ord");
  EXPECT_EQ(column(*stored, "fieldName"), expected);
  EXPECT_EQ(column(*stored, "fieldCName"), column(*stored, "dispName"));
  for (int r = 0; r < stored->recordCount(); ++r) EXPECT_EQ(stored->valueAt(r, "ord"), r);
}

TEST_F(AdminTest, PasswordChangeIsCheckedByTheServer) {
  addUser("clerk", "old-pw");
  loginAs("clerk", "old-pw");
  auto attempt = [&](const QString& old, const QString& a, const QString& b) {
    client::Tsys_pwdForm form;
    form.Edit1->setText(old);
    form.Edit2->setText(a);
    form.Edit3->setText(b);
    prompter_.clear();
    form.okExecute();
    return std::make_pair(prompter_.texts().join("|"), form.result());
  };
  EXPECT_EQ(attempt("wrong", "new-pw", "new-pw").first, "原密码错误!");
  EXPECT_EQ(attempt("old-pw", "new-pw", "new-pw2").first, "新密码不一致!");
  EXPECT_EQ(attempt("old-pw", "", "").first, "新密码不能为空!");
  EXPECT_EQ(loginReply("clerk", "old-pw"), "OK");  // nothing was written

  const auto done = attempt("old-pw", "new-pw", "new-pw");
  EXPECT_EQ(done.first, "密码成功更改!");
  EXPECT_EQ(done.second, QDialog::Accepted);
  EXPECT_EQ(loginReply("clerk", "new-pw"), "OK");
  EXPECT_NE(text("select pwd from sys_user where userName = 'clerk'"), "new-pw");
}

TEST_F(AdminTest, UsersScreenMasksPasswordsAndSetsOneThroughTheServer) {
  addUser("clerk", "old-pw");
  client::Tsys_userForm form;
  Dataset& users = form.dataset();
  ASSERT_TRUE(users.locate("userName", "clerk"));
  EXPECT_EQ(users.fieldByName("pwd").asString(), "");  // the stored hash never comes
  EXPECT_EQ(users.fieldByName("pwdMask").asString(), "******");

  desktop_.on<client::Tsys_pwdForm>([](client::Tsys_pwdForm& dlg) {
    EXPECT_FALSE(dlg.Edit1->isVisibleTo(&dlg));  // no old password for another user
    EXPECT_EQ(dlg.Edit2->echoMode(), QLineEdit::Password);
    dlg.Edit2->setText("reset-1");
    dlg.Edit3->setText("reset-1");
    dlg.okExecute();
    return dlg.result();
  });
  form.setPasswordExecute();
  EXPECT_EQ(prompter_.texts().last(), "密码成功更改!");
  EXPECT_EQ(loginReply("clerk", "reset-1"), "OK");
}

TEST_F(AdminTest, ANewRightIsStampedWithTheChosenUser) {
  addUser("clerk", "pw");
  client::Tsys_rightsForm form;
  Dataset& users = dm_->userCDS;
  Dataset& rights = dm_->rightsCDS;
  ASSERT_TRUE(users.locate("userName", "clerk"));
  EXPECT_EQ(rights.recordCount(), 0);

  form.insertAction->trigger();
  rights.fieldByName("actionNo").setValue("custAction");
  form.saveAction->trigger();
  EXPECT_EQ(count("select canView from sys_rights where userName = 'clerk' "
                  "and actionNo = 'custAction'"),
            1);
  EXPECT_EQ(rights.fieldByName("actionGroup").asString(), "基础数据");

  ASSERT_TRUE(users.locate("userName", "admin"));
  EXPECT_GT(rights.recordCount(), 40);
}

TEST_F(AdminTest, AUserWithoutTheRightsScreenIsToldTheServersRefusal) {
  addUser("clerk", "pw");
  loginAs("clerk", "pw");
  client::Tsys_rightsForm form;
  Dataset& rights = dm_->rightsCDS;
  ASSERT_TRUE(dm_->userCDS.locate("userName", "clerk"));
  form.insertAction->trigger();
  rights.fieldByName("actionNo").setValue("sys_userAction");
  form.saveAction->trigger();
  EXPECT_EQ(prompter_.texts().last(), "没有“权限设置”的权限，不能新增用户权限");
  EXPECT_EQ(count("select count(*) from sys_rights where userName = 'clerk'"), 0);
}

TEST_F(AdminTest, TheLogShowsADaysLoginsAndTheirScreens) {
  exec(
      "insert into sys_log(userName,sysdate,logintime,computerName) "
      "values('admin',getdate(),getdate(),'PC-1')");
  const auto id = open("select max(sysid) as id from sys_log");
  exec(QString("insert into sys_log_det(mId,detail) values(%1,'入库单')")
           .arg(id->valueAt(0, "id").toLongLong()));
  client::Tsys_logForm form;
  form.dt->setDate(QDate::currentDate().addDays(-400));
  form.qryExecute();
  EXPECT_EQ(form.mCDS->recordCount(), 0);
  EXPECT_EQ(form.loginGrid->footerText("computerName"), "0");

  form.dt->setDate(QDate::currentDate());
  form.qryExecute();
  ASSERT_TRUE(form.mCDS->locate("computerName", "PC-1"));
  EXPECT_EQ(column(*form.dCDS, "detail"), QStringList{"入库单"});
}

TEST_F(AdminTest, SettingsAreCheckedOnEntry) {
  // A count that is not above 0 would break the settings loading at every later login.
  client::TconfigValForm count("RecordCount", "每页记录数", "2", "", "100");
  count.Edit1->setText("0");
  count.okExecute();
  EXPECT_EQ(prompter_.texts().last(), "“每页记录数”必须是大于 0 的整数!");
  EXPECT_NE(count.result(), QDialog::Accepted);
  EXPECT_EQ(client::configValueProblem("gridFontName", "表格字体", "4", "宋体 9"),
            "字体设置“宋体 9”的格式不正确");
  EXPECT_FALSE(client::configValueProblem("gridLineColor", "", "3", "notAColour").isEmpty());
  EXPECT_FALSE(client::configValueProblem("x", "", "7", "").isEmpty());

  // Only items followed by "," are offered.
  client::TconfigValForm list("autoColWidth", "", "1", "是,否,", "是");
  EXPECT_EQ(list.ComboBox1->count(), 2);

  // A bad value stored by other means is refused when the screen would post it.
  exec("update sys_config set valType = '9' where idName = 'hideBom'");
  client::Tsys_configForm form;
  ASSERT_TRUE(dm_->configCDS.locate("idName", "hideBom"));
  prompter_.clear();
  form.editValueExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"设置项“隐藏物料清单”的值类型“9”无效，不能修改!"});
}

TEST_F(AdminTest, AChangedGridColourReachesTheNextScreenOpened) {
  {
    client::Tsys_configForm form;
    ASSERT_TRUE(dm_->configCDS.locate("idName", "gridLineColor"));
    desktop_.on<client::TconfigValForm>([](client::TconfigValForm& dlg) {
      dlg.ColorBox1->setCurrentText("clRed");
      dlg.okExecute();
      return dlg.result();
    });
    form.editValueExecute();
    EXPECT_EQ(text("select idValue from sys_config where idName = 'gridLineColor'"), "clRed");
    form.reject();
  }
  EXPECT_EQ(client::settings().gridLineColor, "clRed");
  // The grid lines of the users screen opened next are drawn red.
  client::Tsys_userForm next;
  next.resize(800, 500);
  next.show();
  const QImage shot = next.grid()->grab().toImage();
  int red = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) red += shot.pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_GT(red, 50);
  client::settings() = client::Settings{};
}

TEST_F(AdminTest, EveryActionOpensAScreenOrNeedsNone) {
  client::registerStandardScreens();
  for (const client::ActionDef& def : client::rightsActions())
    EXPECT_TRUE(client::findScreen(def.name) || client::actionNeedsNoScreen(def.name)) << def.name;
}

}  // namespace
}  // namespace qk::test
