// A session the server lost (a restart, an idle expiry) is renewed inside the call that found
// out: the connection's hook and its single retry, the login dialog again with the account set
// fixed, the login values of the new session, the keep-alive, and a warehouse receipt whose
// unsaved lines survive both a renewal and a cancelled one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <thread>

#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/data/data_error.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::DataError;
using client::TloginForm;
using client::TmainForm;

const QString kSessionLost = "未登录或会话已过期，请重新登录";
const QString kAccountName = QString::fromUtf8(kAccount);
const QString kPassword = QString::fromUtf8(kAdminPassword);

// Runs a call that must fail because the session is gone.
void expectSessionLost(const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << "the call should have failed";
  } catch (const DataError& e) {
    EXPECT_EQ(e.text(), kSessionLost);
    EXPECT_EQ(e.code(), protocol::code::kSession);
  }
}

// ---- the data layer

class SessionHookTest : public ConnectedTest {};

TEST_F(SessionHookTest, ANewSessionFromTheHookServesTheFailedCallAndTheNextOnes) {
  loginAdmin();
  restartServer();
  int calls = 0;
  conn_->onSessionLost = [&] {
    ++calls;
    return conn_->login(kAccountName, "admin", kPassword) == "OK";
  };
  EXPECT_EQ(conn_->echoString("还在"), "还在");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(conn_->echoString("again"), "again");
  EXPECT_EQ(calls, 1) << "the new token serves the later calls";
}

TEST_F(SessionHookTest, WithoutANewSessionTheCallFailsAsBeforeAndIsSentAtMostTwice) {
  loginAdmin();
  restartServer();
  expectSessionLost([&] { conn_->echoString("no hook"); });

  int calls = 0;
  bool claimed = false;  // a hook that says it renewed without doing so
  conn_->onSessionLost = [&] {
    ++calls;
    return claimed;
  };
  int before = conn_->requestCount();
  expectSessionLost([&] { conn_->echoString("cancelled"); });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(conn_->requestCount() - before, 1);
  claimed = true;
  before = conn_->requestCount();
  expectSessionLost([&] { conn_->echoString("retried once"); });
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(conn_->requestCount() - before, 2) << "one retry, never a loop";

  // Logging out of a lost session asks nobody.
  expectSessionLost([&] { conn_->logout(); });
  EXPECT_EQ(calls, 2);

  // One renewal at a time: a call made while the hook runs fails at once.
  conn_->onSessionLost = [&] {
    ++calls;
    EXPECT_TRUE(conn_->renewingSession());
    expectSessionLost([&] { conn_->echoString("inside"); });
    return false;
  };
  expectSessionLost([&] { conn_->echoString("outside"); });
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(conn_->renewingSession());
}

// ---- the main window and an open screen

class SessionTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    auto admin = newClient();
    admin->login();
    admin->execute("insert into bas_dep(depNo, depName, isWh) values('W1', '成品仓', 1)");
    admin->execute("insert into bas_doc(docNo, docType, docId) values('12', '采购入库', '入库单')");
    admin->execute(
        "insert into bas_products(productNo, productName, productUnit) values "
        "('P1', '闸阀', '台'), ('P2', '球阀', '台')");
    answerLogins();
  }

  // The first login as the administrator; renewals by renew_ (none: the user cancels).
  void answerLogins() {
    desktop_.on<TloginForm>([this](TloginForm& dlg) {
      if (dlg.purpose() == TloginForm::Purpose::Start) return confirm(dlg, kPassword, "admin");
      ++renewals_;
      if (!renew_) {
        dlg.BitBtn2Click();
        return dlg.result();
      }
      return renew_(dlg);
    });
  }
  // Types the password (and a user name, when given) and confirms, as the user would.
  static int confirm(TloginForm& dlg, const QString& password, const QString& user = {}) {
    if (dlg.purpose() == TloginForm::Purpose::Start) dlg.accEdit->setText(kAccountName);
    if (!user.isEmpty()) dlg.Edit3->setText(user);
    dlg.Edit1->setText(password);
    dlg.BitBtn1Click();
    return dlg.result();
  }

  // A server that forgets sessions idle for two seconds, and a wait long enough for it.
  void shortIdleLimit() {
    options_.idleLimit = std::chrono::seconds(2);
    restartServer();
  }
  static void idle() { std::this_thread::sleep_for(std::chrono::milliseconds(2600)); }

  std::unique_ptr<client::Twh_InForm> receiptWithTwoNewLines() {
    auto f = std::make_unique<client::Twh_InForm>();
    f->formShow();
    f->newActionExecute();
    QComboBox* wh = f->headerCombo("whNo");
    wh->setCurrentIndex(wh->findData("W1"));
    f->headerCombo("docType")->setCurrentIndex(0);
    const std::pair<const char*, int> lines[] = {{"P1", 2}, {"P2", 3}};
    for (const auto& [productNo, qty] : lines) {
      f->addActionExecute();
      client::Dataset& d = f->dCDS();
      d.edit();
      d.fieldByName("productNo").setValue(productNo);
      d.fieldByName("qty").setValue(qty);
      d.fieldByName("uPrice").setValue(10);
      d.post();
    }
    return f;
  }
  std::string storedLines() {
    return text(
        "select group_concat(itemNo || ':' || productNo || ':' || qty, ',') from "
        "(select * from wh_in_det order by itemNo)");
  }

  // The new session is recorded as a login of its own, by that user; the lost one's row is
  // closed.
  void expectLoginReplaced(qint64 lost, const std::string& user) {
    EXPECT_NE(dm_->loginId, lost);
    EXPECT_EQ(count("select count(*) from sys_log where logoutTime is null and userName = '" +
                    user + "' and sysid = " + std::to_string(dm_->loginId)),
              1);
    EXPECT_EQ(count("select count(*) from sys_log where logoutTime is not null and sysid = " +
                    std::to_string(lost)),
              1);
  }

  std::function<int(TloginForm&)> renew_;
  int renewals_ = 0;
};

TEST_F(SessionTest, ASaveAfterAServerRestartAsksForTheLoginAndKeepsTheLinesUntilItIsGiven) {
  TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  const qint64 firstLogin = dm_->loginId;
  auto f = receiptWithTwoNewLines();
  restartServer();

  // Cancelled: the save fails as before and the typed lines stay.
  EXPECT_FALSE(client::guarded([&] { f->saveActionExecute(); }));
  EXPECT_EQ(renewals_, 1);
  EXPECT_EQ(prompter_.texts(), QStringList{kSessionLost});
  EXPECT_TRUE(f->isNew);
  EXPECT_EQ(f->state(), client::DocumentEditor::State::New);
  ASSERT_EQ(f->dCDS().recordCount(), 2);
  EXPECT_EQ(f->dCDS().valueAt(1, "productNo").toString(), "P2");
  EXPECT_EQ(count("select count(*) from wh_In"), 0);

  // The next save asks again; this time the user logs in.
  prompter_.clear();
  renew_ = [&](TloginForm& dlg) {
    // The account set of this run, fixed; the user name offered; the password left to type.
    EXPECT_EQ(dlg.accEdit->text(), kAccountName);
    EXPECT_TRUE(dlg.accEdit->isReadOnly());
    EXPECT_EQ(dlg.Edit3->text(), "admin");
    EXPECT_EQ(dlg.Edit1->text(), "");
    // A wrong password keeps the dialog open with the server's reason, as at the first login.
    confirm(dlg, "wrong");
    EXPECT_EQ(prompter_.texts(), QStringList{"密码错误"});
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    prompter_.clear();
    return confirm(dlg, kPassword);
  };
  ASSERT_TRUE(f->saveDoc()) << prompter_.texts().join("|").toStdString();
  EXPECT_EQ(renewals_, 2);
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_FALSE(f->isNew);
  EXPECT_EQ(count("select count(*) from wh_In where keyNo = '" + f->shownKeyNo().toStdString() +
                  "' and whNo = 'W1' and userName = 'admin'"),
            1);
  EXPECT_EQ(storedLines(), "1:P1:2,2:P2:3");
  expectLoginReplaced(firstLogin, "admin");
}

TEST_F(SessionTest, TheRenewalLeavesTheStatementARoutineHasOnPubCDSAlone) {
  TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  renew_ = [](TloginForm& dlg) { return confirm(dlg, kPassword); };
  client::Dataset& pub = dm_->pubCDS;
  pub.setCommandText("insert into bas_dep(depNo, depName) values(:p1, :p2)");
  restartServer();
  for (const char* no : {"D1", "D2"}) {
    pub.params().byName("p1").value = QString(no);
    pub.params().byName("p2").value = "车间";
    pub.execute();
  }
  EXPECT_EQ(renewals_, 1);
  EXPECT_EQ(text("select group_concat(depNo, ',') from bas_dep where depName = '车间'"), "D1,D2");
  EXPECT_EQ(count("select count(*) from sys_log"), 2);
}

TEST_F(SessionTest, AnIdleSessionIsRenewedOnTheKeepAliveAsAtAFirstLogin) {
  addUser("王五", "pw5");
  shortIdleLimit();
  TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  ASSERT_TRUE(w.action("custAction")->property("allowed").toBool());
  const qint64 firstLogin = dm_->loginId;
  const QDateTime firstTime = dm_->loginTime;
  idle();

  renew_ = [&](TloginForm& dlg) {
    // Only one login dialog: the keep-alive stands aside and a call made meanwhile fails.
    w.Timer1Timer();
    expectSessionLost([&] {
      dm_->pubCDS.setCommandText("select 1");
      dm_->pubCDS.open();
    });
    return confirm(dlg, "pw5", "王五");
  };
  w.Timer1Timer();
  EXPECT_EQ(renewals_, 1);
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("|").toStdString();
  EXPECT_TRUE(w.Timer1->isActive());

  // The login values, status bar, rights, log and path.ini are the new session's.
  EXPECT_EQ(dm_->userName, "王五");
  EXPECT_GT(dm_->loginTime, firstTime);
  EXPECT_EQ(w.statusText(1), "用户名: 王五");
  EXPECT_FALSE(w.action("custAction")->property("allowed").toBool()) << "王五 has no rights";
  expectLoginReplaced(firstLogin, "王五");
  QSettings ini(programFile("path.ini"), QSettings::IniFormat);
  EXPECT_EQ(ini.value("login/user").toString(), "王五");
}

TEST_F(SessionTest, DecliningOnTheKeepAliveWaitsForTheNextActionToAskAgain) {
  int opened = 0;
  client::registerScreen("sys_logAction", [&](QWidget* parent) {
    ++opened;
    return std::make_unique<QDialog>(parent);
  });
  desktop_.clearHandlers();
  desktop_.on<QDialog>([](QDialog&) { return QDialog::Rejected; });
  answerLogins();
  shortIdleLimit();
  TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  const qint64 firstLogin = dm_->loginId;
  idle();

  w.Timer1Timer();
  EXPECT_EQ(renewals_, 1);
  EXPECT_TRUE(prompter_.shown.empty()) << "the user has just chosen; nothing more to say";
  const int requests = conn_->requestCount();
  w.Timer1Timer();
  EXPECT_EQ(renewals_, 1) << "not asked again every minute";
  EXPECT_EQ(conn_->requestCount(), requests);

  // Opening a screen asks again; its log row belongs to the new login.
  renew_ = [](TloginForm& dlg) { return confirm(dlg, kPassword); };
  w.action("sys_logAction")->trigger();
  EXPECT_EQ(renewals_, 2);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(count("select count(*) from sys_log_det where mId = " + std::to_string(dm_->loginId)),
            1);
  EXPECT_EQ(count("select count(*) from sys_log_det where mId = " + std::to_string(firstLogin)), 0);

  // The keep-alive runs again.
  w.Timer1Timer();
  EXPECT_GT(conn_->requestCount(), requests);
  EXPECT_EQ(renewals_, 2);
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("|").toStdString();
  client::registerScreen("sys_logAction", nullptr);
}

TEST_F(SessionTest, ClosingAfterTheServerLostTheSessionAsksNothing) {
  TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  restartServer();
  w.close();
  EXPECT_EQ(renewals_, 0);
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("|").toStdString();
}

// A peer that answers the health check, then drops the connection in the middle of the next
// request (as a server closing an idle kept-alive connection does), and answers it whole on a
// new connection.
class DroppingPeer {
 public:
  DroppingPeer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener_, 4);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~DroppingPeer() {
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  int connections = 0;

 private:
  static std::string readRequest(int fd, bool whole) {
    std::string in;
    char buf[65536];
    while (true) {
      const auto end = in.find("\r\n\r\n");
      if (end != std::string::npos) {
        const auto at = in.find("Content-Length: ");
        const std::size_t length =
            at == std::string::npos ? 0 : std::stoul(in.substr(at + 16, in.find('\r', at)));
        if (!whole || in.size() >= end + 4 + length) return in;
      }
      const auto n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return in;
      in.append(buf, static_cast<std::size_t>(n));
    }
  }
  static void answer(int fd, const std::string& json) {
    const std::string out =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
        std::to_string(json.size()) + "\r\n\r\n" + json;
    ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
  }
  void serve() {
    const int first = ::accept(listener_, nullptr, nullptr);
    ++connections;
    readRequest(first, true);
    answer(first, R"({"status":"ok"})");
    readRequest(first, false);  // the request's head only: then the connection goes
    const linger reset{1, 0};
    ::setsockopt(first, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(first);
    // Without a second attempt the test must fail, not wait here for good.
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 5000) != 1) return;
    const int second = ::accept(listener_, nullptr, nullptr);
    ++connections;
    const std::string request = readRequest(second, true);
    answer(second, request.find("the value") != std::string::npos ? R"({"result":"whole"})"
                                                                  : R"({"result":"cut"})");
    ::close(second);
  }

  int listener_ = -1, port_ = 0;
  std::thread thread_;
};

TEST(ConnectionTransport, ARequestCutOffWhileBeingSentGoesOnceMoreOnANewConnection) {
  DroppingPeer peer;
  client::Connection conn(QString("http://127.0.0.1:%1").arg(peer.port()));
  conn.open();
  // Large enough that the dropped connection fails the write, not only the reading of a reply.
  const QString value = QString(8 << 20, QChar('x')) + "the value";
  EXPECT_EQ(conn.echoString(value), "whole");
  EXPECT_EQ(peer.connections, 2);
}

}  // namespace
}  // namespace qk::test
