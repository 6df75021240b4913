// A session the server lost (a restart, an idle expiry) is renewed inside the call that found
// out: the connection's hook and its single retry.
#include <gtest/gtest.h>

#include "client/data/data_error.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::DataError;

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

}  // namespace
}  // namespace qk::test
