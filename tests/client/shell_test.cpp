// Login and the main window against a real server: checks without server calls, refusals,
// path.ini, rights, the login record, screen-opening records, keep-alive and logout.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QSettings>

#include "client/app/actions.h"
#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/data/data_error.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Prompter;
using client::TloginForm;
using client::TmainForm;

class LoginTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    conn_->open();
  }
  std::unique_ptr<TloginForm> dialog(const QString& account, const QString& user,
                                     const QString& password) {
    auto dlg = std::make_unique<TloginForm>(*dm_);
    dlg->accEdit->setText(account);
    dlg->Edit3->setText(user);
    dlg->Edit1->setText(password);
    return dlg;
  }
  const QString account = QString::fromUtf8(kAccount);
  const QString password = QString::fromUtf8(kAdminPassword);
};

TEST_F(LoginTest, EmptyFieldsAreRefusedWithoutAskingTheServer) {
  const int before = conn_->requestCount();
  auto dlg = dialog("   ", "admin", password);
  dlg->BitBtn1Click();
  dlg = dialog(account, " \t", password);
  dlg->BitBtn1Click();
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].text, "账套名称不能为空！");
  EXPECT_EQ(prompter_.shown[0].icon, Prompter::Icon::Stop);
  EXPECT_EQ(prompter_.shown[1].text, "用户名不能为空！");
  EXPECT_EQ(conn_->requestCount(), before);
  EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(LoginTest, ARefusalShowsTheServersTextAndKeepsThePasswordForAnotherTry) {
  auto dlg = dialog(account, "admin", "wrong");
  dlg->show();
  QApplication::processEvents();
  dlg->BitBtn1Click();
  EXPECT_EQ(prompter_.texts(), QStringList{"密码错误"});
  EXPECT_EQ(dlg->Edit1->text(), "wrong");
  EXPECT_TRUE(dlg->Edit1->hasFocus());
  EXPECT_TRUE(dlg->isVisible());
  dlg->Edit1->setText(password);
  dlg->BitBtn1Click();
  EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(LoginTest, TheDialogOffersTheNamesOfTheLastLogin) {
  EXPECT_EQ(dialog({}, {}, {})->accEdit->text(), "") << "no path.ini: empty fields";
  client::writeLoginMemory({"admin ", account});
  TloginForm dlg(*dm_);
  EXPECT_EQ(dlg.accEdit->text(), account);
  EXPECT_EQ(dlg.Edit3->text(), "admin ");
  EXPECT_EQ(dlg.Edit1->text(), "");
}

class ShellTest : public ClientTest {
 protected:
  // Runs the first-show sequence, answering the login dialog with these values.
  bool start(TmainForm& w, const QString& user = "admin", const QString& pw = {},
             bool cancel = false) {
    if (cancel)
      desktop_.on<TloginForm>([](TloginForm&) { return int(QDialog::Rejected); });
    else
      answerLogin(user, pw);
    return w.FormShow();
  }
};

TEST_F(ShellTest, ALoginWithATrailingBlankIsKeptAndRecorded) {
  TmainForm w(*dm_);
  ASSERT_TRUE(start(w, "admin "));
  EXPECT_TRUE(w.loggedIn());
  EXPECT_EQ(dm_->userName, "admin ");
  EXPECT_EQ(w.statusText(0), "账套名: " + QString::fromUtf8(kAccount));
  EXPECT_EQ(w.statusText(1), "用户名: admin ");
  EXPECT_TRUE(w.statusText(2).startsWith("登录时间: "));
  QSettings ini(programFile("path.ini"), QSettings::IniFormat);
  EXPECT_EQ(ini.value("login/user").toString(), "admin ");
  EXPECT_EQ(ini.value("login/account").toString(), QString::fromUtf8(kAccount));
  EXPECT_EQ(ini.allKeys().size(), 2);
  // The login record is this login's row, with the name as typed and the computer's name.
  EXPECT_GT(dm_->loginId, 0);
  EXPECT_EQ(count("select count(*) from sys_log where userName = 'admin ' and logoutTime is null "
                  "and computerName is not null and sysid = " +
                  std::to_string(dm_->loginId)),
            1);
  // The administrator's rights allow everything; an action whose screen is not linked in stays off.
  QAction* products = w.action("productAction");
  EXPECT_TRUE(products->property("allowed").toBool());
  EXPECT_FALSE(products->isEnabled());
  EXPECT_EQ(products->toolTip(), "物料设置");
}

TEST_F(ShellTest, ACancelledLoginEndsTheProgramAndWritesNothing) {
  TmainForm w(*dm_);
  EXPECT_FALSE(start(w, "admin", {}, /*cancel=*/true));
  EXPECT_FALSE(w.loggedIn());
  EXPECT_EQ(count("select count(*) from sys_log"), 0);
  EXPECT_FALSE(QFile::exists(programFile("path.ini")));
  w.recordLogout();  // closing the window now writes nothing either
  EXPECT_EQ(count("select count(*) from sys_log"), 0);
}

TEST_F(ShellTest, RightsDisableActionsButNeverExitHelpOrAbout) {
  addUser("王五", "pw5");
  conn_->open();
  loginAdmin();
  dm_->pubCDS.setCommandText(
      "insert into sys_rights (userName, actionNo, canNew, canEdit, canDelete, canReview, canView)"
      " values ('王五', 'custAction', 1, 1, 1, 1, 0), ('王五', 'exitAction', 0, 0, 0, 0, 1)");
  dm_->pubCDS.execute();
  conn_->close();

  TmainForm w(*dm_);
  ASSERT_TRUE(start(w, "王五", "pw5"));
  for (const auto& def : client::rightsActions()) {
    const bool allowed = w.action(def.name)->property("allowed").toBool();
    EXPECT_EQ(allowed, QString(def.name) == "exitAction") << def.name;
  }
  EXPECT_TRUE(w.action("exitAction")->isEnabled());
  EXPECT_FALSE(w.action("custAction")->isEnabled()) << "canView false wins over the other rights";
  for (const char* free : {"exit1Action", "helpAction", "aboutAction"})
    EXPECT_TRUE(w.action(free)->isEnabled()) << free;
}

TEST_F(ShellTest, EachScreenOpeningIsLoggedAndLogoutTimeIsWritten) {
  int opened = 0;
  client::registerScreen("sys_logAction", [&](QWidget* parent) {
    ++opened;
    auto screen = std::make_unique<QDialog>(parent);
    screen->setWindowTitle("日志");
    return screen;
  });
  desktop_.on<QDialog>([](QDialog&) { return QDialog::Rejected; });
  TmainForm w(*dm_);
  ASSERT_TRUE(start(w));
  ASSERT_TRUE(w.action("sys_logAction")->isEnabled());
  w.action("sys_logAction")->trigger();
  w.action("sys_logAction")->trigger();
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(desktop_.titles(), (QStringList{"用户登录", "日志", "日志"}));
  const std::string id = std::to_string(dm_->loginId);
  EXPECT_EQ(count("select count(*) from sys_log_det where detail = '系统日志' and mId = " + id), 2);
  // A screen that does not exist yet is never opened, and nothing is logged for it.
  w.openAction("bus_SOAction");
  EXPECT_EQ(count("select count(*) from sys_log_det"), 2);
  // The keep-alive runs on tmpCDS and leaves pubCDS alone.
  dm_->pubCDS.setCommandText("select 42 as answer");
  dm_->pubCDS.open();
  w.Timer1Timer();
  EXPECT_EQ(dm_->pubCDS.fieldByName("answer").asInteger(), 42);
  EXPECT_TRUE(prompter_.shown.empty());
  w.close();
  EXPECT_EQ(count("select count(*) from sys_log where logoutTime is not null and sysid = " + id),
            1);
  client::registerScreen("sys_logAction", nullptr);
}

TEST_F(ShellTest, AnUnreachableServerIsNamedAndTheUserMayQuit) {
  client::Connection nowhere("http://127.0.0.1:1");
  client::DataModule dm(nowhere);
  TmainForm w(dm);
  prompter_.answers = {0, 1};  // retry once, then quit
  EXPECT_FALSE(w.FormShow());
  EXPECT_TRUE(desktop_.shown.empty()) << "no login asked for";
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_TRUE(prompter_.shown[0].text.startsWith("无法连接到应用服务器 http://127.0.0.1:1："))
      << prompter_.shown[0].text.toStdString();
  EXPECT_EQ(prompter_.shown[0].title, "无法连接应用服务器");
}

TEST_F(ShellTest, ServerMethodsOnAClosedConnectionSaySo) {
  EXPECT_EQ(dataErrorOf([&] { dm_->updateBasData(dm_->pubCDS, "wh_in", "keyNo", ""); }),
            "连接尚未打开，请先连接应用服务器。");
  loginAdmin();
  EXPECT_EQ(dm_->findKeyNoByGsNo("bus_so_det", "26-12-9999"), "");
  dm_->pubCDS.setCommandText(
      "insert into bus_so_det (gsNo, keyNo, itemNo) values ('26-12-0001', 'XS-26-12-0001', 1)");
  dm_->pubCDS.execute();
  EXPECT_EQ(dm_->findKeyNoByGsNo("bus_so_det", "26-12-0001"), "XS-26-12-0001");
}

}  // namespace
}  // namespace qk::test
