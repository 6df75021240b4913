// Several application servers over one account set: sessions and failed logins live in the
// account set's database, so a client's token works on any of them.
#include <gtest/gtest.h>

#include "server/core/account_store.h"
#include "server/core/session_records.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

class SharedSessionsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    options_.sessionRecheck = std::chrono::seconds(0);
    restartServer(Sessions::Kept);
    second_ = std::make_unique<RunningServer>(options_);
  }
  void TearDown() override {
    second_.reset();
    ServerTest::TearDown();
  }
  std::unique_ptr<ApiClient> onSecond() const {
    return std::make_unique<ApiClient>(second_->port());
  }
  std::unique_ptr<RunningServer> second_;
};

TEST_F(SharedSessionsTest, ATokenFromOneServerWorksOnTheOtherUntilLoggedOutAnywhere) {
  auto first = newClient();
  ASSERT_EQ(first->login(), "OK");
  first->execute("create table ##mine (n integer)");
  auto second = onSecond();
  second->token = first->token;
  EXPECT_EQ(second->open("select count(*) from sys_user").rows.size(), 1u);
  // Temporary results stay on the connection that made them; the other server starts afresh.
  const auto missing = second->post(path::kOpen, {{"sql", "select * from ##mine"}});
  EXPECT_NE(missing.status, 401) << "it fails as a statement, not as a session";
  EXPECT_TRUE(missing.body.contains("error"));
  EXPECT_EQ(first->open("select * from ##mine").rows.size(), 0u);

  second->call(path::kLogout, protocol::Json::object());
  const auto reply = first->post(path::kOpen, {{"sql", "select 1"}});
  EXPECT_EQ(reply.status, 401) << "a logout on one server ends the session on all";
  EXPECT_EQ(reply.body["code"], protocol::code::kSession);
}

TEST_F(SharedSessionsTest, ASessionSurvivesARestartButNotItsIdleLimitOrAForgedToken) {
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  restartServer(Sessions::Kept);
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select 1"}}).status, 200);

  auto forged = newClient();
  forged->token = c->token.substr(0, c->token.size() - 4) + "abcd";
  EXPECT_EQ(forged->post(path::kOpen, {{"sql", "select 1"}}).status, 401);
  forged->token = std::string(64, 'a');
  EXPECT_EQ(forged->post(path::kOpen, {{"sql", "select 1"}}).status, 401);
  forged->token = "7a7a." + std::string(64, 'a');  // an account set that does not exist
  EXPECT_EQ(forged->post(path::kOpen, {{"sql", "select 1"}}).status, 401);

  // The record idled out (as another server would find it after the idle limit).
  server::AccountStore(dir_.path()).open(kAccount)->execute("UPDATE qk_session SET lastUsed = 0");
  restartServer(Sessions::Kept);
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select 1"}}).status, 401);
  EXPECT_TRUE(server::AccountStore(dir_.path())
                  .open(kAccount)
                  ->query("SELECT * FROM qk_session")
                  .rows.empty())
      << "an idle record is removed when found";
}

TEST_F(SharedSessionsTest, FailedLoginsCountOnEveryServerTogether) {
  options_.freeLoginFailures = 3;
  restartServer(Sessions::Kept);
  second_ = std::make_unique<RunningServer>(options_);
  auto a = newClient();
  auto b = onSecond();
  EXPECT_EQ(a->login("admin", "guess1"), "密码错误");
  EXPECT_EQ(b->login("admin", "guess2"), "密码错误");
  EXPECT_EQ(a->login("admin", "guess3"), "密码错误");
  const std::string locked = b->login("admin", kAdminPassword);
  EXPECT_EQ(locked.rfind("登录失败次数过多，请 ", 0), 0u) << locked;
  EXPECT_TRUE(b->token.empty());
}

TEST(SessionTokens, NameTheirAccountSetAndNothingElseParses) {
  const std::string token = server::newSessionToken("测试账套");
  EXPECT_EQ(server::tokenAccount(token), std::optional<std::string>("测试账套"));
  EXPECT_NE(server::newSessionToken("测试账套"), token);
  for (const std::string& bad :
       {std::string(64, 'a'), "." + std::string(64, 'a'), "zz." + std::string(64, 'a'),
        "abc." + std::string(64, 'a'), "61." + std::string(63, 'a'), std::string("61.")})
    EXPECT_EQ(server::tokenAccount(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace qk::test
