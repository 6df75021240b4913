// What one client statement may cost the server: rows and bytes of a result, and running time.
// A statement past a bound fails with a text asking for a condition; others' work goes on.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "server/core/account_store.h"
#include "server/db/connection.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace path = protocol::path;

// Counting an endless sequence never finishes by itself.
constexpr const char* kEndless =
    "select count(*) from (with recursive c(n) as (select 1 union all select n + 1 from c) "
    "select n from c)";

std::string failure(const std::function<void()>& run) {
  try {
    run();
  } catch (const db::DbError& e) {
    return std::to_string(static_cast<int>(e.kind())) + " " + e.what();
  }
  return "<ran>";
}

std::string refused(const std::string& text) {
  return std::to_string(static_cast<int>(db::ErrorKind::Refused)) + " " + text;
}

TEST(StatementLimits, AResultBeyondItsRowsOrBytesAsksForACondition) {
  TempDir dir;
  auto db = db::openSqlite(dir.path() / "l.qkdb", db::OpenMode::Create);
  db->setLimits({.maxRows = 1000, .maxBytes = 1 << 20, .timeLimit = 30s});
  const std::string rows =
      "with recursive c(n) as (select 1 union all select n + 1 from c limit :n) "
      "select n, printf('%*d', :w, n) from c";
  EXPECT_EQ(db->clientQuery(rows, {{"n", 1000}, {"w", 1}}).rows.size(), 1000u);
  EXPECT_EQ(failure([&] {
              db->clientQuery(rows, {{"n", 1001}, {"w", 1}});
            }),
            refused("查询结果超过 1000 行，请增加查询条件"));
  EXPECT_EQ(failure([&] {
              db->clientQuery(rows, {{"n", 100}, {"w", 20000}});
            }),
            refused("查询结果超过 1 MB，请增加查询条件或减少查询的字段"));
  // The server's own statements are not bounded, and the connection goes on serving.
  EXPECT_EQ(db->query(rows, {{"n", 5000}, {"w", 1}}).rows.size(), 5000u);
  EXPECT_EQ(db->clientQuery(rows, {{"n", 10}, {"w", 1}}).rows.size(), 10u);
}

TEST(StatementLimits, AStatementPastItsTimeLimitIsStopped) {
  TempDir dir;
  auto db = db::openSqlite(dir.path() / "l.qkdb", db::OpenMode::Create);
  db->setLimits({.timeLimit = 1s});
  const auto start = Clock::now();
  EXPECT_EQ(failure([&] { db->clientQuery(kEndless, {}); }),
            refused("语句执行超过 1 秒，已被中止，请增加查询条件后重试"));
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 1s);
  EXPECT_LT(took, 5s);
  EXPECT_EQ(db->clientQuery("select 1", {}).rows.size(), 1u);
}

class ConfiguredLimitsTest : public ServerTest {
 protected:
  void configure(const std::string& name, const std::string& value) {
    server::AccountStore store(dir_.path());
    auto db = store.open(kAccount);
    const auto r = db->execute("update main.sys_config set idValue = :v where idName = :n",
                               {{"v", value}, {"n", name}});
    ASSERT_EQ(r.rowsAffected, 1) << name;
  }
};

TEST_F(ConfiguredLimitsTest, TheAccountSetsSettingsBoundItsSessions) {
  configure("maxQueryRows", "5");
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  for (int i = 1; i <= 6; ++i)
    c->execute("insert into bas_cust (custNo) values (:n)", {{"n", "C" + std::to_string(i)}});
  EXPECT_EQ(c->errorOf(path::kOpen, {{"sql", "select * from bas_cust"}}),
            "查询结果超过 5 行，请增加查询条件");
  EXPECT_EQ(c->open("select * from bas_cust where custNo <> 'C6'").rows.size(), 5u);
}

TEST_F(ConfiguredLimitsTest, ALongTemporaryStatementStopsWhileAnotherSessionSaves) {
  configure("statementSeconds", "2");
  auto a = newClient();
  auto b = newClient();
  ASSERT_EQ(a->login(), "OK");
  ASSERT_EQ(b->login(), "OK");
  a->execute("create table ##work (n integer)");
  const auto start = Clock::now();
  auto longRun = std::async(std::launch::async, [&] {
    return a->errorOf(path::kExecute, {{"sql", std::string("insert into ##work ") + kEndless}});
  });
  std::this_thread::sleep_for(200ms);
  for (int i = 0; longRun.wait_for(0s) != std::future_status::ready && i < 50; ++i) {
    const auto saveStart = Clock::now();
    Json save = {
        {"delta",
         {{"rows",
           Json::array({{{"op", "insert"}, {"new", {{"custNo", "S" + std::to_string(i)}}}}})}}},
        {"table", "bas_cust"},
        {"key1", "custNo"},
        {"key2", ""}};
    EXPECT_EQ(b->post(path::kUpdateBasData, save).body.value("result", ""), "OK");
    EXPECT_LT(Clock::now() - saveStart, 1s) << "a save waited for the other session's statement";
  }
  EXPECT_EQ(longRun.get(), "语句执行超过 2 秒，已被中止，请增加查询条件后重试");
  EXPECT_LT(Clock::now() - start, 10s);
  EXPECT_EQ(a->open("select count(*) from ##work").rows.at(0).at(0),
            protocol::Value{std::int64_t{0}});
}

}  // namespace
}  // namespace qk::test
