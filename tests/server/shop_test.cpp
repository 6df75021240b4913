// The shop-floor page's API on a real server: PINs set by the staff screen's method, sign-in with
// its throttle, records checked against the plan and landing where the desktop's flow card reads
// them, repeated submissions recorded once, undo of one's own recent record, and the page itself.
#include <gtest/gtest.h>

#include <httplib.h>

#include <string>

#include "server/core/account_store.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

constexpr const char* kTask = "26-12-0001-01";

class ShopTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    admin = newClient();
    ASSERT_EQ(admin->login(), "OK");
    admin->execute("insert into bas_products (productNo, productName) values ('P1', '法兰')");
    admin->execute(
        "insert into bas_process (procNo, procName) values ('01', '车削'), ('02', '钻孔')");
    admin->execute("insert into bas_dep (depNo, depName) values ('D1', '机加车间')");
    admin->execute(
        "insert into bas_staff (staffNo, staffName) values ('S01', '张三'), ('S02', '李四')");
    admin->execute(
        "insert into bus_task_det (taskNo, keyNo, gsNo, productNo, procNo, depNo, qty) "
        "values (:t, 'T1', '26-12-0001', 'P1', '01', 'D1', 100)",
        {{"t", kTask}});
    admin->execute("exec sp_setStaffPin 'S01', '2468'");
    admin->execute("exec sp_setStaffPin 'S02', '1357'");
  }

  // A phone's client signed in as the staff member; fails the test when refused.
  std::unique_ptr<ApiClient> signIn(const std::string& staffNo, const std::string& pin) {
    auto phone = newClient();
    auto r = phone->post("/api/shop/login",
                         {{"account", kAccount}, {"staffNo", staffNo}, {"pin", pin}}, false);
    EXPECT_EQ(r.body.value("result", ""), "OK") << r.body.dump();
    phone->token = r.body.value("token", "");
    return phone;
  }

  static Json record(const std::string& id, double done, double good, double scrap = 0) {
    return {{"submitId", id},    {"taskNo", kTask}, {"doneQty", done}, {"gqty", good},
            {"scrapQty", scrap}, {"depNo", "D1"},   {"remark", "夜班"}};
  }

  std::unique_ptr<ApiClient> admin;
};

TEST_F(ShopTest, APinIsStoredHashedAndOnlyTheStaffScreensHoldersSetIt) {
  auto rs = server::AccountStore(dir_.path())
                .open(kAccount)
                ->query("select pinHash from qk_staff_pin where staffNo = 'S01'");
  ASSERT_EQ(rs.rows.size(), 1u);
  const std::string hash = protocol::toDisplayText(rs.rows[0][0]);
  EXPECT_TRUE(hash.starts_with("$argon2id$")) << hash;
  EXPECT_EQ(hash.find("2468"), std::string::npos);
  EXPECT_NE(admin
                ->errorOf("/api/execute", {{"provider", "pubDSP"},
                                           {"sql", "exec sp_setStaffPin 'S01', '12'"},
                                           {"params", Json::object()}})
                .find("4 到 8 位数字"),
            std::string::npos);
  // No client statement writes the hashes, and a user without the staff screen sets no PIN.
  EXPECT_FALSE(admin
                   ->errorOf("/api/execute", {{"provider", "pubDSP"},
                                              {"sql", "update qk_staff_pin set pinHash = 'x'"},
                                              {"params", Json::object()}})
                   .empty());
  admin->addUser("clerk", "pw-clerk-1");
  auto clerk = newClient();
  ASSERT_EQ(clerk->login("clerk", "pw-clerk-1"), "OK");
  EXPECT_FALSE(clerk
                   ->errorOf("/api/execute", {{"provider", "pubDSP"},
                                              {"sql", "exec sp_setStaffPin 'S01', '9999'"},
                                              {"params", Json::object()}})
                   .empty());
  // An empty PIN removes it: that worker can no longer sign in.
  admin->execute("exec sp_setStaffPin 'S02', ''");
  auto r = newClient()->post("/api/shop/login",
                             {{"account", kAccount}, {"staffNo", "S02"}, {"pin", "1357"}}, false);
  EXPECT_EQ(r.body.value("result", ""), "工号或 PIN 错误");
}

TEST_F(ShopTest, WrongPinsAreRefusedAlikeAndThenThrottled) {
  auto phone = newClient();
  auto attempt = [&](const std::string& staffNo, const std::string& pin) {
    return phone
        ->post("/api/shop/login", {{"account", kAccount}, {"staffNo", staffNo}, {"pin", pin}},
               false)
        .body.value("result", "");
  };
  EXPECT_EQ(attempt("S01", "0000"), "工号或 PIN 错误");
  EXPECT_EQ(attempt("NOBODY", "0000"), "工号或 PIN 错误");
  for (int i = 0; i < 5; ++i) attempt("S01", "0000");
  EXPECT_NE(attempt("S01", "2468").find("尝试次数过多"), std::string::npos);
}

TEST_F(ShopTest, ShopTokensAndDesktopTokensOpenOnlyTheirOwnEndpoints) {
  auto phone = signIn("S01", "2468");
  auto open = phone->post(
      "/api/open",
      {{"provider", "pubDSP"}, {"sql", "select * from sys_user"}, {"params", Json::object()}});
  EXPECT_EQ(open.status, 401);
  EXPECT_EQ(admin->post("/api/shop/task", {{"taskNo", kTask}}).status, 401);
  EXPECT_EQ(phone->post("/api/shop/task", {{"taskNo", kTask}}).status, 200);
}

TEST_F(ShopTest, ARecordLandsOnTheDesktopFlowCardWithWorkerAndTime) {
  auto phone = signIn("S01", "2468");
  Json task = phone->call("/api/shop/task", {{"taskNo", kTask}});
  EXPECT_EQ(task["procName"], "车削");
  EXPECT_EQ(task["planQty"], 100.0);
  EXPECT_EQ(task["doneQty"], 0.0);

  Json reply = phone->call("/api/shop/record", record("a1b2c3d4e5", 40, 38, 2));
  EXPECT_EQ(reply["task"]["doneQty"], 40.0);
  EXPECT_EQ(reply["task"]["records"][0]["mine"], 1);

  auto rs = admin->open(
      "select staffNo, gqty, gfqty, procName, staffName from view_bus_flow_card where gsKey = :g",
      {{"g", "26-12-0001"}});
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(protocol::toDisplayText(rs.rows[0][0]), "S01");
  EXPECT_EQ(protocol::toDisplayText(rs.rows[0][1]), "38");
  EXPECT_EQ(protocol::toDisplayText(rs.rows[0][2]), "2");
  EXPECT_EQ(protocol::toDisplayText(rs.rows[0][4]), "张三");
  auto stored =
      admin->open("select procNo, depNo, doneQty, remark, entryTime, inspDate from bus_flow");
  EXPECT_EQ(protocol::toDisplayText(stored.rows[0][0]), "01");  // the line's own process
  EXPECT_EQ(protocol::toDisplayText(stored.rows[0][1]), "D1");
  EXPECT_EQ(protocol::toDisplayText(stored.rows[0][3]), "夜班");
  EXPECT_EQ(protocol::toDisplayText(stored.rows[0][4]).size(), 19u);
  EXPECT_TRUE(protocol::toDisplayText(stored.rows[0][5]).ends_with(" 00:00:00"));
}

TEST_F(ShopTest, ARepeatedSubmissionIsRecordedOnce) {
  auto phone = signIn("S01", "2468");
  Json first = phone->call("/api/shop/record", record("retry-0001", 10, 10));
  Json again = phone->call("/api/shop/record", record("retry-0001", 10, 10));
  EXPECT_EQ(again["repeated"], true);
  EXPECT_EQ(again["sysid"], first["sysid"]);
  EXPECT_EQ(again["task"]["doneQty"], 10.0);
  EXPECT_EQ(admin->open("select count(*) from bus_flow").rows[0][0],
            protocol::Value(std::int64_t{1}));
  // Another worker cannot reuse someone's submission id to read or repeat it.
  auto other = signIn("S02", "1357");
  EXPECT_FALSE(other->errorOf("/api/shop/record", record("retry-0001", 10, 10)).empty());
  EXPECT_EQ(other->post("/api/shop/record", record("x", 1, 1)).status, 400);
}

TEST_F(ShopTest, QuantitiesAreCheckedAgainstThePlanAndItsTolerance) {
  auto phone = signIn("S01", "2468");
  EXPECT_EQ(phone->errorOf("/api/shop/record", record("neg-00001", -1, 0)), "完成数不能为负数");
  EXPECT_EQ(phone->errorOf("/api/shop/record", record("zero-0001", 0, 0)), "完成数必须大于 0");
  EXPECT_EQ(phone->errorOf("/api/shop/record", record("sum-00001", 5, 4, 2)),
            "合格数与报废数之和不能超过完成数");
  phone->call("/api/shop/record", record("plan-0001", 90, 90));
  EXPECT_EQ(phone->errorOf("/api/shop/record", record("plan-0002", 15, 15)),
            "累计完成数 105 超过计划数 100，还可报 10");
  admin->execute("update sys_config set idValue = '5' where idName = 'shopOverPlanPct'");
  phone->call("/api/shop/record", record("plan-0003", 15, 15));
  EXPECT_EQ(phone->errorOf("/api/shop/record", record("plan-0004", 1, 1)),
            "累计完成数 106 超过计划数 100（允许超出 5%），还可报 0");
  EXPECT_EQ(phone->errorOf("/api/shop/record",
                           {{"submitId", "unknown-1"}, {"taskNo", "NO-SUCH"}, {"doneQty", 1}}),
            "任务号“NO-SUCH”不存在");
}

TEST_F(ShopTest, UndoTakesBackOnlyOnesOwnLastRecordWithinTenMinutes) {
  auto mine = signIn("S01", "2468");
  auto theirs = signIn("S02", "1357");
  mine->call("/api/shop/record", record("undo-0001", 5, 5));
  mine->call("/api/shop/record", record("undo-0002", 7, 7));
  theirs->call("/api/shop/record", record("undo-0003", 3, 3));
  Json undone = mine->call("/api/shop/undo", Json::object());
  EXPECT_EQ(undone["task"]["doneQty"], 8.0);  // the 7 went, the other worker's 3 stayed
  admin->execute(
      "update bus_flow set entryTime = '2020-01-01 08:00:00' where submitId = 'undo-0001'");
  EXPECT_NE(mine->errorOf("/api/shop/undo", Json::object()).find("10 分钟"), std::string::npos);
  EXPECT_EQ(admin->open("select count(*) from bus_flow").rows[0][0],
            protocol::Value(std::int64_t{2}));
}

TEST_F(ShopTest, ThePageIsServedWithItsOwnTypeAndAPolicy) {
  httplib::Client http("127.0.0.1", port_);
  auto page = http.Get("/shop/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_TRUE(page->get_header_value("Content-Type").starts_with("text/html"));
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"),
            std::string::npos);
  EXPECT_EQ(http.Get("/shop")->status, 308);
  EXPECT_EQ(http.Get("/shop/../../etc/passwd")->status, 404);
  EXPECT_EQ(http.Get("/shop/nothing.js")->status, 404);
}

}  // namespace
}  // namespace qk::test
