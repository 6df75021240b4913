// Concurrent saves and a server killed mid-stream: nothing answered "OK" may be lost, and nothing
// half-written may remain.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "server/core/account_store.h"
#include "server/db/connection.h"
#include "server/procedures/registry.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

class DurabilityTest : public ServerTest {};

TEST_F(DurabilityTest, EightClientsSavingAtOnceLoseNothing) {
  constexpr int kClients = 8, kDocs = 25, kLines = 10;
  std::atomic<int> ok{0};
  std::mutex failuresMutex;
  std::string failures;
  std::vector<std::thread> threads;
  for (int t = 0; t < kClients; ++t) {
    threads.emplace_back([&, t] {
      auto c = newClient();
      if (c->login() != "OK") return;
      for (int d = 0; d < kDocs; ++d) {
        auto r =
            c->post(path::kUpdateData,
                    receiptDocument("C" + std::to_string(t) + "-" + std::to_string(d), kLines));
        if (r.status == 200 && r.body.value("result", "") == "OK") {
          ++ok;
        } else {
          std::lock_guard lock(failuresMutex);
          failures += std::to_string(r.status) + " " + r.body.dump() + "\n";
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(ok.load(), kClients * kDocs) << failures;
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  auto rs = c->open("select (select count(*) from wh_In), (select count(*) from wh_in_det)");
  EXPECT_EQ(std::get<std::int64_t>(rs.rows[0][0]), kClients * kDocs);
  EXPECT_EQ(std::get<std::int64_t>(rs.rows[0][1]), kClients * kDocs * kLines);
}

TEST_F(DurabilityTest, TemporaryTableWritesDoNotWaitForAnotherSessionsSave) {
  server::registerProcedure("sp_test_temp_work", [](server::ProcedureCall& call) {
    call.db.script(
        "create table temp.\"##proc\" (n integer); insert into temp.\"##proc\" values (1);"
        "drop table temp.\"##proc\";");
    return std::optional<protocol::RecordSet>();
  });
  auto b = newClient();
  ASSERT_EQ(b->login(), "OK");
  // Another session's save in progress: it holds the database's turn to write.
  server::AccountStore store(dir_.path());
  auto holder = store.open(kAccount);
  auto save = std::make_unique<db::Transaction>(*holder);
  holder->execute("insert into bas_cust (custNo, custName) values ('H1', '长事务')");

  auto work = std::async(std::launch::async, [&] {
    b->execute("create table ##work (n integer)");
    b->execute("insert into ##work select count(*) from bas_cust");
    b->execute("update ##work set n = n + 1");
    auto rs = b->open("select n from ##work");
    b->execute("drop table ##work");
    b->execute("exec sp_test_temp_work");
    return rs;
  });
  if (work.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    save.reset();  // lets the waiting statements finish, so the test ends
    FAIL() << "a write of temporary tables waited for another session's save";
  }
  const auto rs = work.get();
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(std::get<std::int64_t>(rs.rows[0][0]), 1);  // the save is not visible yet

  // A write of the main database does wait for its turn (on SQLite: one writer at a time; on
  // PostgreSQL a write of other rows runs at once), and then runs.
  auto mainWrite = std::async(std::launch::async, [&] {
    return b->post(path::kExecute, {{"sql", "insert into bas_cust (custNo) values ('B1')"}});
  });
  if (!onPostgres()) {
    EXPECT_EQ(mainWrite.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  }
  save->commit();
  ASSERT_EQ(mainWrite.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const HttpReply written = mainWrite.get();
  EXPECT_EQ(written.status, 200);
  EXPECT_FALSE(protocol::errorOf(written.body)) << written.body.dump();
  EXPECT_EQ(b->open("select count(*) from bas_cust").rows.at(0).at(0),
            protocol::Value{std::int64_t{2}});
}

TEST(StorageFailures, AFullDiskAndAReadOnlyFileAreToldInChinese) {
  TempDir dir;
  auto db = db::openSqlite(dir.path() / "s.qkdb", db::OpenMode::Create);
  db->script("create table t (a text)");
  auto failure = [&](const std::string& sql) {
    try {
      db->execute(sql, {{"v", std::string(200000, 'x')}});
    } catch (const db::DbError& e) {
      return std::to_string(static_cast<int>(e.kind())) + " " + e.what();
    }
    return std::string("<ran>");
  };
  auto kind = [](db::ErrorKind k) { return std::to_string(static_cast<int>(k)) + " "; };
  // The file may grow no further: as on a full disk.
  const auto pages = db->query("pragma page_count").rows.at(0).at(0);
  db->script("pragma max_page_count = " + protocol::toDisplayText(pages));
  EXPECT_EQ(failure("insert into t values (:v)"),
            kind(db::ErrorKind::DiskFull) + "服务器磁盘空间已满，数据没有保存，请联系管理员");
  db->script("pragma max_page_count = 1000000; pragma query_only = 1");
  EXPECT_EQ(
      failure("insert into t values (:v)"),
      kind(db::ErrorKind::Storage) + "数据库文件是只读的，数据没有保存，请联系管理员检查文件权限");
  db->script("pragma query_only = 0");
  EXPECT_EQ(failure("insert into t values (:v)"), "<ran>");
}

TEST(ServerKilled, AnsweredDocumentsSurviveAndNoneIsHalfWritten) {
  TempDir dir;
  installTestAccount(dir.path());
  const int port = freePort();
  ChildProcess server(QK_SERVER_BIN, {"serve", "--data", dir.path().string(), "--listen",
                                      "127.0.0.1:" + std::to_string(port), "--log", "/dev/null"});
  ASSERT_TRUE(waitForHealth(port)) << "qk-server did not start";

  constexpr int kWriters = 4, kLines = 20;
  std::mutex mutex;
  std::set<std::string> answeredOk;
  std::atomic<bool> stop{false};
  std::atomic<int> count{0};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      ApiClient c(port);
      if (c.login() != "OK") return;
      for (int d = 0; !stop; ++d) {
        const std::string key = "K" + std::to_string(w) + "-" + std::to_string(d);
        auto r = c.post(path::kUpdateData, receiptDocument(key, kLines));
        if (r.status == 0) return;  // the server is gone
        if (r.body.value("result", "") == "OK") {
          std::lock_guard lock(mutex);
          answeredOk.insert(key);
          ++count;
        }
      }
    });
  }
  // Kill it while documents are streaming in, not between them.
  while (count < 60) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server.kill();
  stop = true;
  for (auto& t : writers) t.join();

  server::AccountStore store(dir.path());
  auto db = store.open(kAccount);
  if (!onPostgres()) {  // the file's own check; PostgreSQL recovers from its write-ahead log
    auto check = db->query("pragma integrity_check");
    EXPECT_EQ(std::get<std::string>(check.rows.at(0).at(0)), "ok");
  }
  auto masters = db->query(
      "select keyNo, (select count(*) from wh_in_det d where d.keyNo = m.keyNo) "
      "from wh_In m");
  std::set<std::string> stored;
  for (const auto& row : masters.rows) {
    const auto key = std::get<std::string>(row[0]);
    stored.insert(key);
    EXPECT_EQ(std::get<std::int64_t>(row[1]), kLines) << "document " << key << " is half-written";
  }
  for (const auto& key : answeredOk) EXPECT_TRUE(stored.count(key)) << key << " was lost";
  auto orphans =
      db->query("select count(*) from wh_in_det where keyNo not in (select keyNo from wh_In)");
  EXPECT_EQ(std::get<std::int64_t>(orphans.rows[0][0]), 0);
  EXPECT_GE(answeredOk.size(), 60u);
}

}  // namespace
}  // namespace qk::test
