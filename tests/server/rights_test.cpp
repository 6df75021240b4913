// Rights enforced by the server: what a user may write through his own SQL and through change
// logs, the last user administrator, the password method, and saves that temporary tables of
// the session cannot capture.
#include <gtest/gtest.h>

#include "server/core/account_store.h"
#include "server/core/password.h"
#include "support/change_sets.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

constexpr const char* kClerk = "仓管";
constexpr const char* kClerkPassword = "pw-仓管";

Json basData(const std::string& table, const std::string& key1, const std::string& key2,
             Json delta) {
  return {{"delta", std::move(delta)}, {"table", table}, {"key1", key1}, {"key2", key2}};
}
Json sql(const std::string& text, Json params = Json::object()) {
  return {{"provider", "pubDSP"}, {"sql", text}, {"params", std::move(params)}};
}

// An administrator, and a clerk who holds only the warehouse receipt's right.
class RightsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
    admin->addUser(kClerk, kClerkPassword);
    grant(kClerk, "wh_InAction");
    clerk = newClient();
    ASSERT_EQ(clerk->login(kClerk, kClerkPassword), "OK");
  }

  void grant(const std::string& user, const std::string& action) {
    admin->execute("insert into sys_rights (userName, actionNo, canView) values (:u, :a, 1)",
                   {{"u", user}, {"a", action}});
  }

  // Everything the administration tables hold, password hashes included, read past the server.
  std::string administration() {
    auto db = server::AccountStore(dir_.path()).open(kAccount);
    std::string all;
    for (const char* table : {"sys_user", "sys_rights", "sys_action", "sys_config", "sys_col",
                              "sys_filter_sql", "sys_filter", "sys_report", "bas_form"}) {
      for (const auto& row : db->query(std::string("select * from ") + table).rows) {
        for (const auto& v : row) all += protocol::toDisplayText(v) + "|";
        all += "\n";
      }
    }
    return all;
  }

  std::string adminHash() {
    auto db = server::AccountStore(dir_.path()).open(kAccount);
    return protocol::toDisplayText(
        db->query("select pwd from sys_user where userName = 'admin'").rows.at(0).at(0));
  }

  std::unique_ptr<ApiClient> admin, clerk;
};

struct Attempt {
  const char* what;
  const char* path;
  Json body;
  const char* text;  // the refusal's exact text, where the case pins it
};

TEST_F(RightsTest, AClerkCannotMakeAnyAdministrationChange) {
  const std::string hash = server::hashPassword("taken-over");
  const std::vector<Attempt> attempts = {
      {"every right by SQL", path::kExecute,
       sql("insert into sys_rights (userName, actionNo, canNew, canEdit, canDelete, "
           "canReview, "
           "canView) select '仓管', actionNo, 1, 1, 1, 1, 1 from sys_action where actionNo <> "
           "'wh_InAction'"),
       "服务器拒绝执行此语句：没有“权限设置”的权限，不能新增用户权限"},
      {"every right by a change log", path::kUpdateBasData,
       basData("sys_rights", "userName", "actionNo",
               delta({insertRow(
                   {{"userName", kClerk}, {"actionNo", "sys_userAction"}, {"canView", true}})})),
       "没有“权限设置”的权限，不能新增用户权限"},
      {"the administrator's password by a change log", path::kUpdateBasData,
       basData("sys_user", "userName", "",
               delta({updateRow({{"userName", "admin"}, {"pwd", ""}}, {{"pwd", "mine-now"}})})),
       "没有“用户设置”的权限，不能修改用户资料"},
      {"the administrator's user row by SQL", path::kExecute,
       sql("update sys_user set remark = 'x' where userName = 'admin'"),
       "服务器拒绝执行此语句：没有“用户设置”的权限，不能修改用户资料"},
      {"a user with a ready-made hash by SQL", path::kExecute,
       sql("insert or replace into sys_user (userId, userName, pwd) values ('0001', 'admin', "
           ":h)",
           {{"h", hash}}),
       nullptr},
      {"a user with a ready-made hash by a change log", path::kUpdateBasData,
       basData("sys_user", "userName", "",
               delta({insertRow({{"userId", "9"}, {"userName", "后门"}, {"pwd", hash}})})),
       nullptr},
      {"the administrator deleted by SQL", path::kExecute,
       sql("delete from sys_user where userName = 'admin'"), nullptr},
      {"the administrator deleted by a change log",
       path::kApply,
       {{"provider", "userDSP"}, {"delta", delta({deleteRow({{"userName", "admin"}})})}},
       nullptr},
      {"the administrator's rights deleted by SQL", path::kExecute,
       sql("delete from sys_rights where userName = 'admin'"), nullptr},
      {"the administrator's rights deleted by a change log", path::kUpdateBasData,
       basData("sys_rights", "userName", "actionNo",
               delta({deleteRow({{"userName", "admin"}, {"actionNo", "sys_userAction"}})})),
       nullptr},
      {"settings by SQL", path::kExecute, sql("update sys_config set idValue = '1'"),
       "服务器拒绝执行此语句：没有“系统设置”的权限，不能修改系统设置"},
      {"settings by a change log",
       path::kApply,
       {{"provider", "configDSP"},
        {"delta", delta({updateRow({{"idName", "RecordCount"}}, {{"idValue", "1"}})})}},
       nullptr},
      {"grid layouts", path::kExecute,
       sql("insert into sys_col (tableName, fieldName) values ('wh_In', 'x')"), nullptr},
      {"grid layouts by a change log", path::kUpdateBasData,
       basData("sys_col", "colId", "", delta({insertRow({{"tableName", "wh_In"}})})), nullptr},
      {"query fields", path::kExecute, sql("delete from sys_filter"),
       "服务器拒绝执行此语句：没有“综合查询设置”的权限，不能删除查询定义"},
      {"query definitions by a change log", path::kUpdateBasData,
       basData("sys_filter_sql", "tableName", "", delta({deleteRow({{"tableName", "qry_wh_in"}})})),
       nullptr},
      {"report templates", path::kExecute, sql("delete from sys_report"), nullptr},
      {"report templates by a change log", path::kUpdateBasData,
       basData("sys_report", "repNo", "", delta({insertRow({{"repCName", "x"}})})),
       "没有“报表设计”的权限，不能新增报表模板"},
      {"numbering rules", path::kExecute, sql("update bas_form set formHead = 'X'"), nullptr},
      {"numbering rules by a change log", path::kUpdateBasData,
       basData("bas_form", "tableName", "",
               delta({updateRow({{"tableName", "wh_in"}}, {{"formHead", "X"}})})),
       nullptr},
      {"the action list", path::kExecute, sql("delete from sys_action"), nullptr},
      {"a table no screen writes", path::kExecute, sql("delete from bas_taskId"),
       "服务器拒绝执行此语句：不允许客户端修改表 bas_taskId"},
  };
  const std::string before = administration();
  for (const Attempt& a : attempts) {
    SCOPED_TRACE(a.what);
    const HttpReply r = clerk->post(a.path, a.body);
    const Json& body = r.body;
    const std::string text =
        body.contains("error") ? body.value("error", "") : body.value("result", "");
    EXPECT_EQ(body.value("code", ""), "refused") << body.dump();
    if (a.text) {
      EXPECT_EQ(text, a.text);
    }
  }
  EXPECT_EQ(administration(), before);
}

TEST_F(RightsTest, TheClerkStillSavesAndAuditsReceiptsAndKeepsHisLog) {
  const Json master = insertRow({{"keyNo", "RK1"}, {"whNo", "01"}, {"userName", kClerk}});
  const Json line = insertRow({{"keyNo", "RK1"}, {"itemNo", 1}, {"productNo", "P1"}});
  const Json saved = clerk->call(path::kUpdateData, {{"deltaA", delta({master})},
                                                     {"tableA", "wh_In"},
                                                     {"keyA1", "keyNo"},
                                                     {"keyA2", ""},
                                                     {"deltaB", delta({line})},
                                                     {"tableB", "wh_in_det"},
                                                     {"keyB1", "keyNo"},
                                                     {"keyB2", "itemNo"}});
  EXPECT_EQ(saved["result"], "OK");
  clerk->execute("update wh_In set audited = 1 where keyNo = 'RK1'");
  EXPECT_EQ(admin->open("select audited from wh_In where keyNo = 'RK1'").rows.at(0).at(0),
            protocol::Value{true});

  // The main window's log: his own login row, its screens, its logout time.
  const auto login = clerk->execute(
      "insert into sys_log(userName,sysdate,logintime,computerName) "
      "values(:p1,getdate(),getdate(),:p2)",
      {{"p1", kClerk}, {"p2", "pc"}});
  clerk->execute("insert into sys_log_det(mId,detail) values(:p1,:p2)",
                 {{"p1", login.lastInsertId}, {"p2", "入库单"}});
  clerk->execute("update sys_log set logoutTime = getdate() where sysid = :c1",
                 {{"c1", login.lastInsertId}});
  // The same statements again: a statement allowed under the checks is not reused without them.
  clerk->execute("insert into sys_log_det(mId,detail) values(:p1,:p2)",
                 {{"p1", login.lastInsertId}, {"p2", "入库单"}});
  EXPECT_EQ(admin->open("select count(*) from sys_log_det").rows.at(0).at(0),
            protocol::Value{std::int64_t{2}});
}

TEST_F(RightsTest, LogRowsOfOtherUsersCannotBeWrittenOrRemoved) {
  // A login of another user that has ended; only an open one may be ended by a renewed session.
  const auto adminLogin = admin->execute(
      "insert into sys_log(userName,sysdate,logintime,logoutTime) "
      "values('admin',getdate(),getdate(),'2026-01-01 08:00:00')");
  const auto own = clerk->execute(
      "insert into sys_log(userName,sysdate,logintime) values(:u,getdate(),getdate())",
      {{"u", kClerk}});
  const Json other = {{"a", adminLogin.lastInsertId}, {"o", own.lastInsertId}};
  const std::vector<std::pair<std::string, std::string>> attempts = {
      {"insert into sys_log(userName,loginTime) values('admin', getdate())",
       "只能记录本人登录的日志"},
      {"update sys_log set logoutTime = getdate() where sysid = :a", ""},
      {"update sys_log set computerName = 'x' where sysid = :o", ""},
      {"update sys_log set loginTime = '2000-01-01 00:00:00' where sysid = :o", ""},
      {"insert or replace into sys_log(sysid, userName) values(:a, '仓管')", ""},
      {"insert into sys_log_det(mId, detail) values(:a, '冒充')", ""},
      {"delete from sys_log where sysid = :o", "服务器拒绝执行此语句：不能删除登录日志"},
      {"delete from sys_log_det", ""},
  };
  for (const auto& [text, refusal] : attempts) {
    SCOPED_TRACE(text);
    Json params = Json::object();
    if (text.find(":a") != std::string::npos) params["a"] = other["a"];
    if (text.find(":o") != std::string::npos) params["o"] = other["o"];
    const HttpReply r = clerk->post(path::kExecute, sql(text, params));
    EXPECT_EQ(r.body.value("code", ""), "refused") << r.body.dump();
    if (!refusal.empty()) {
      EXPECT_EQ(r.body.value("error", ""), refusal);
    }
  }
  // A change log cannot write the log at all.
  EXPECT_EQ(clerk
                ->post(path::kUpdateBasData,
                       basData("sys_log", "sysid", "", delta({insertRow({{"userName", kClerk}})})))
                .body.value("code", ""),
            "refused");
  const auto rs = admin->open(
      "select count(*), max(logoutTime), count(computerName) from sys_log where sysid in (:a, :o)",
      other);
  EXPECT_EQ(rs.rows.at(0).at(0), protocol::Value{std::int64_t{2}});
  EXPECT_EQ(rs.rows.at(0).at(1), protocol::Value{"2026-01-01 08:00:00"});
  EXPECT_EQ(rs.rows.at(0).at(2), protocol::Value{std::int64_t{0}});
  EXPECT_EQ(admin->open("select count(*) from sys_log_det").rows.at(0).at(0),
            protocol::Value{std::int64_t{0}});
}

TEST_F(RightsTest, TheLastUserAdministratorCannotBeRemovedOrStripped) {
  const std::string refusal =
      "至少要保留一个拥有“用户设置”和“权限设置”权限的用户，不能删除最后一个用户管理员或取消其权限";
  const std::vector<std::pair<const char*, Json>> attempts = {
      {path::kExecute, sql("delete from sys_rights where actionNo = 'sys_userAction'")},
      {path::kExecute,
       sql("update sys_rights set canView = 0 where userName = 'admin' and actionNo = "
           "'sys_rightsAction'")},
      {path::kExecute, sql("update sys_user set userName = 'root' where userName = 'admin'")},
      {path::kUpdateBasData,
       basData("sys_rights", "userName", "actionNo",
               delta({deleteRow({{"userName", "admin"}, {"actionNo", "sys_userAction"}})}))},
      {path::kApply,
       {{"provider", "userDSP"}, {"delta", delta({deleteRow({{"userName", "admin"}})})}}},
  };
  for (const auto& [where, body] : attempts) {
    SCOPED_TRACE(body.dump());
    const Json reply = admin->post(where, body).body;
    EXPECT_EQ(reply.value("code", ""), "refused");
    EXPECT_EQ(reply.contains("error") ? reply.value("error", "") : reply.value("result", ""),
              refusal);
  }
  EXPECT_EQ(admin
                ->open("select count(*) from sys_rights where userName = 'admin' and canView = 1 "
                       "and actionNo in ('sys_userAction', 'sys_rightsAction')")
                .rows.at(0)
                .at(0),
            protocol::Value{std::int64_t{2}});

  // With a second administrator the first may go.
  grant(kClerk, "sys_userAction");
  grant(kClerk, "sys_rightsAction");
  admin->execute("delete from sys_rights where userName = 'admin' and actionNo = 'sys_userAction'");
  EXPECT_EQ(
      clerk
          ->post(path::kExecute, sql("delete from sys_rights where userName = :u", {{"u", kClerk}}))
          .body.value("code", ""),
      "refused");
}

TEST_F(RightsTest, AGivenOrTakenRightCountsAtTheNextRequest) {
  const Json change = sql("update sys_config set idValue = '50' where idName = 'RecordCount'");
  EXPECT_EQ(clerk->post(path::kExecute, change).body.value("code", ""), "refused");
  grant(kClerk, "sys_configAction");
  EXPECT_EQ(clerk->post(path::kExecute, change).body.value("rowsAffected", 0), 1);
  admin->execute("delete from sys_rights where userName = :u and actionNo = 'sys_configAction'",
                 {{"u", kClerk}});
  // The same text again: its prepared statement was judged under the right now taken.
  EXPECT_EQ(clerk->post(path::kExecute, change).body.value("code", ""), "refused");
}

TEST_F(RightsTest, PasswordsAreSetOnlyThroughThePasswordMethod) {
  const std::string before = adminHash();
  struct Case {
    ApiClient* who;
    Json params;
    const char* refusal;
  };
  const std::vector<Case> refused = {
      {clerk.get(), {{"u", ""}, {"o", "wrong"}, {"n", "new"}}, "原密码错误!"},
      {clerk.get(), {{"u", kClerk}, {"o", kClerkPassword}, {"n", ""}}, "新密码不能为空"},
      {clerk.get(),
       {{"u", "admin"}, {"o", kAdminPassword}, {"n", "new"}},
       "没有“用户设置”的权限，不能修改其他用户的密码"},
      {admin.get(), {{"u", "admin"}, {"o", ""}, {"n", "new"}}, "原密码错误!"},
      {admin.get(), {{"u", "无此人"}, {"o", ""}, {"n", "new"}}, "用户“无此人”不存在"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.params.dump());
    const Json reply =
        c.who->post(path::kExecute, sql("exec sp_setPassword :u, :o, :n", c.params)).body;
    EXPECT_EQ(reply.value("error", ""), c.refusal) << reply.dump();
  }
  EXPECT_EQ(adminHash(), before);

  // One's own with the old password; another's under the user screen's right. Stored hashed.
  clerk->execute("exec sp_setPassword '', :o, :n", {{"o", kClerkPassword}, {"n", "新密码1"}});
  EXPECT_EQ(newClient()->login(kClerk, "新密码1"), "OK");
  admin->execute("exec sp_setPassword :u, '', :n", {{"u", kClerk}, {"n", "重置2"}});
  EXPECT_EQ(newClient()->login(kClerk, "重置2"), "OK");
  EXPECT_EQ(newClient()->login(kClerk, "新密码1"), "密码错误");
  auto db = server::AccountStore(dir_.path()).open(kAccount);
  const std::string stored = protocol::toDisplayText(
      db->query("select pwd from sys_user where userName = :u", {{"u", kClerk}}).rows.at(0).at(0));
  EXPECT_TRUE(server::verifyPassword(stored, "重置2"));

  // Even the user screen's right does not write a password through a change log or SQL.
  const Json viaLog =
      admin
          ->post(path::kApply,
                 {{"provider", "userDSP"},
                  {"delta", delta({updateRow({{"userName", kClerk}, {"pwd", ""}},
                                             {{"pwd", server::hashPassword("x")}})})}})
          .body;
  EXPECT_EQ(viaLog.value("code", ""), "refused") << viaLog.dump();
  EXPECT_EQ(admin
                ->post(path::kExecute,
                       sql("insert or replace into sys_user (userName, pwd) values (:u, 'x')",
                           {{"u", kClerk}}))
                .body.value("code", ""),
            "refused");
  EXPECT_EQ(newClient()->login(kClerk, "重置2"), "OK");
}

TEST_F(RightsTest, ATemporaryTableNamedLikeAMainTableDoesNotCaptureASave) {
  // Refused outright; should one ever slip through, the change writer names main's table.
  EXPECT_NE(clerk
                ->errorOf(path::kExecute,
                          {{"provider", "pubDSP"},
                           {"sql", "create temp table WH_IN (keyNo varchar(20), whNo varchar(10))"},
                           {"params", Json::object()}})
                .find("临时表不能与数据库中的表或视图同名"),
            std::string::npos);
  const Json saved = clerk->call(
      path::kUpdateBasData,
      basData("wh_In", "keyNo", "", delta({insertRow({{"keyNo", "RK9"}, {"whNo", "01"}})})));
  EXPECT_EQ(saved["result"], "OK");
  EXPECT_EQ(admin->open("select count(*) from wh_In where keyNo = 'RK9'").rows.at(0).at(0),
            protocol::Value{std::int64_t{1}});
}

}  // namespace
}  // namespace qk::test
