// Every endpoint of the application server over loopback, against a real account-set database.
#include <gtest/gtest.h>

#include "server/procedures/registry.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

class ApiTest : public ServerTest {};

TEST_F(ApiTest, LoginRefusalsNameTheReason) {
  auto c = newClient();
  EXPECT_EQ(c->login("admin", kAdminPassword, "无此账套"), "账套“无此账套”不存在");
  EXPECT_EQ(c->login("nobody"), "用户“nobody”不存在");
  EXPECT_EQ(c->login("admin", "wrong"), "密码错误");
  EXPECT_EQ(c->login("admin", kAdminPassword, ""), "账套不能为空");
  EXPECT_EQ(c->login("  "), "用户名不能为空");
  EXPECT_EQ(c->login("admin", kAdminPassword, "../etc/passwd"), "账套“../etc/passwd”不存在");
  EXPECT_TRUE(c->token.empty());
  auto r = c->post(path::kLogin, {{"account", kAccount}, {"user", "admin"}}, false);
  EXPECT_EQ(r.status, 400);
  EXPECT_EQ(r.body["error"], "请求格式错误: login: missing \"password\"");
}

TEST_F(ApiTest, RepeatedFailuresLockTheUserOutForAWhile) {
  options_.freeLoginFailures = 3;
  stopServer();
  startServer();
  auto c = newClient();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c->login("admin", "guess" + std::to_string(i)), "密码错误");
  const std::string locked = c->login("admin", kAdminPassword);
  EXPECT_EQ(locked.rfind("登录失败次数过多，请 ", 0), 0u) << locked;
  EXPECT_TRUE(c->token.empty());
  // Another user of the same account set is not affected.
  EXPECT_EQ(newClient()->login("other"), "用户“other”不存在");
}

TEST_F(ApiTest, EveryCallButLoginAndHealthNeedsAValidToken) {
  auto c = newClient();
  EXPECT_EQ(c->get(path::kHealth).body["status"], "ok");
  for (const char* p : {path::kOpen, path::kExecute, path::kApply, path::kUpdateBasData,
                        path::kUpdateData, path::kEchoString, path::kLogout}) {
    auto r = c->post(p, {{"sql", "select 1"}});
    EXPECT_EQ(r.status, 401) << p;
    EXPECT_EQ(r.body["error"], "未登录或会话已过期，请重新登录") << p;
  }
  c->token = std::string(64, 'a');
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select 1"}}).status, 401);
  ASSERT_EQ(c->login(), "OK");
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select 1"}}).status, 200);
  c->call(path::kLogout, Json::object());
  EXPECT_EQ(c->post(path::kOpen, {{"sql", "select 1"}}).status, 401);
}

TEST_F(ApiTest, ASecondServerCannotTakeAPortAlreadyServed) {
  server::ApiServer second(options_);
  EXPECT_THROW(second.bind("127.0.0.1", port_), std::runtime_error);
  auto c = newClient();
  EXPECT_EQ(c->login(), "OK");
}

TEST_F(ApiTest, OpenAndExecuteBindParametersSoHostileTextIsStoredVerbatim) {
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  const std::string hostile = "O'Brien\"; drop table bas_cust; --";
  auto ex = c->execute("insert into bas_cust (custNo, custName) values (:no, :name)",
                       {{"no", "C'01"}, {"name", hostile}});
  EXPECT_EQ(ex.rowsAffected, 1);
  auto rs = c->open("select custNo, custName from bas_cust where custNo = :p1", {{"p1", "c'01"}});
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(std::get<std::string>(rs.rows[0][0]), "C'01");
  EXPECT_EQ(std::get<std::string>(rs.rows[0][1]), hostile);
  // Trailing blanks of text survive the round trip.
  c->execute("update bas_cust set contact = :c where custNo = 'C''01'", {{"c", "张三  "}});
  rs = c->open("select contact from bas_cust");
  EXPECT_EQ(std::get<std::string>(rs.rows[0][0]), "张三  ");
  // A failing statement answers 200 with the database's message.
  auto r = c->post(path::kOpen, {{"sql", "select nosuchcolumn from bas_cust"}});
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body["error"], onPostgres() ? "column \"nosuchcolumn\" does not exist"
                                          : "no such column: nosuchcolumn");
}

TEST_F(ApiTest, ProvidersAnswerWithTheirDefaultQuery) {
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  c->execute(
      "insert into bas_dep (depNo, depName, isWh) values ('01', '成品仓', 1), ('02', '车间', 0)");
  auto wh = c->open("", Json::object(), "whDSP");
  ASSERT_EQ(wh.rows.size(), 1u);
  std::vector<std::string> names;
  for (const auto& f : wh.fields) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"whNo", "whName", "remark"}));
  EXPECT_EQ(std::get<std::string>(wh.rows[0][1]), "成品仓");
  auto actions = c->open("", Json::object(), "actionDSP");
  EXPECT_GT(actions.rows.size(), 40u);
  auto users = c->open("", Json::object(), "userDSP");
  ASSERT_EQ(users.rows.size(), 1u);
  EXPECT_EQ(c->errorOf(path::kOpen, {{"provider", "pubDSP"}, {"sql", ""}}),
            "数据提供者 pubDSP 没有默认查询，请提供 SQL 语句");
  EXPECT_EQ(c->errorOf(path::kOpen, {{"provider", "noSuchDSP"}, {"sql", "select 1"}}),
            "未知的数据提供者: noSuchDSP");
}

TEST_F(ApiTest, GlobalTemporaryTablesBelongToOneSession) {
  auto a = newClient();
  auto b = newClient();
  ASSERT_EQ(a->login(), "OK");
  ASSERT_EQ(b->login(), "OK");
  a->execute("create table ##stock_detail (n integer)");
  a->execute("insert into ##stock_detail values (1), (2)");
  b->execute("create table ##stock_detail (n integer)");
  b->execute("insert into ##stock_detail values (3)");
  EXPECT_EQ(a->open("select * from ##stock_detail").rows.size(), 2u);
  EXPECT_EQ(b->open("select * from ##stock_detail").rows.size(), 1u);
}

TEST_F(ApiTest, ProcedureCallsRunRegisteredProceduresAndReturnOutputs) {
  server::registerProcedure("sp_test_sum", [](server::ProcedureCall& call) {
    const std::int64_t sum = call.integer(0) + call.integer(1);
    call.args.at(2) = sum;
    protocol::RecordSet rs;
    rs.fields = {{"label", protocol::FieldType::String, 0}};
    rs.rows = {{call.text(3)}};
    return std::optional<protocol::RecordSet>(rs);
  });
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  Json reply = c->call(path::kOpen, {{"sql", "exec sp_test_sum 40, :b, :@total output, 'x,''y'"},
                                     {"params", {{"b", 2}, {"@total", nullptr}}}});
  auto rs = protocol::fromJson<protocol::RecordSet>(reply);
  EXPECT_EQ(std::get<std::int64_t>(rs.outParams.at("@total")), 42);
  EXPECT_EQ(std::get<std::string>(rs.rows.at(0).at(0)), "x,'y");
  reply = c->call(path::kExecute,
                  {{"sql", "execute SP_TEST_SUM 1, 2, :@t output, ''"}, {"params", {{"@t", 0}}}});
  EXPECT_EQ(reply["outParams"]["@t"], 3);
  EXPECT_EQ(c->errorOf(path::kExecute, {{"sql", "exec sp_nothing 1"}}),
            "存储过程 sp_nothing 不存在");
}

}  // namespace
}  // namespace qk::test
