// Copies of account sets: taken under load, refused when unsound, put back (upgraded when older)
// without losing the set they replace, and taken on a schedule whose failures reach an
// administrator.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "server/core/account_store.h"
#include "server/core/backup.h"
#include "server/core/backup_scheduler.h"
#include "server/db/connection.h"
#include "server/schema/embedded.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace fs = std::filesystem;
namespace path = protocol::path;
using server::AccountStore;
using server::BackupError;

std::int64_t count(db::Connection& db, const std::string& sql) {
  return std::get<std::int64_t>(db.query(sql).rows.at(0).at(0));
}

std::string integrity(db::Connection& db) {
  return protocol::toDisplayText(db.query("PRAGMA integrity_check").rows.at(0).at(0));
}

// The error text of a call that must fail with BackupError.
template <typename Fn>
std::string backupError(Fn&& fn) {
  try {
    fn();
  } catch (const BackupError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no BackupError";
  return {};
}

std::vector<std::string> filesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Copies are of SQLite files; a PostgreSQL set is copied with pg_dump instead.
class BackupTest : public ServerTest {
 protected:
  void SetUp() override {
    if (onPostgres()) GTEST_SKIP() << "file copies are of SQLite account sets";
    ServerTest::SetUp();
  }
};

TEST_F(BackupTest, ACopyTakenWhileEightClientsSaveHoldsEveryDocumentAcknowledgedBeforeIt) {
  constexpr int kClients = 8;
  std::atomic<bool> backupStarted{false}, stop{false};
  std::atomic<int> savedAfterStart{0};
  std::mutex mutex;
  std::set<std::string> acknowledged;
  std::vector<std::thread> threads;
  for (int t = 0; t < kClients; ++t) {
    threads.emplace_back([&, t] {
      auto c = newClient();
      ASSERT_EQ(c->login(), "OK");
      for (int d = 0; !stop; ++d) {
        const std::string key = "B" + std::to_string(t) + "-" + std::to_string(d);
        auto r = c->post(path::kUpdateData, receiptDocument(key, 5));
        if (r.status != 200 || r.body.value("result", "") != "OK") continue;
        // Read after the answer arrived: false means the save was acknowledged before the copy.
        if (!backupStarted) {
          std::lock_guard lock(mutex);
          acknowledged.insert(key);
        } else {
          ++savedAfterStart;
        }
      }
    });
  }
  while (true) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard lock(mutex);
    if (acknowledged.size() >= 40) break;
  }
  const fs::path copy = dir_.path() / "copy.qkbak";
  backupStarted = true;
  const auto version = server::backupAccountSet(AccountStore(dir_.path()), kAccount, copy);
  // Saves go on while and after the copy is taken.
  while (savedAfterStart < 2 * kClients) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  stop = true;
  for (auto& th : threads) th.join();

  EXPECT_EQ(version.applied, static_cast<int>(server::schemaFiles().size()));
  TempDir elsewhere;
  const auto restored =
      server::restoreAccountSet(AccountStore(elsewhere.path()), kAccount, copy, false);
  EXPECT_TRUE(restored.keptAside.empty());
  auto db = AccountStore(elsewhere.path()).open(kAccount);
  EXPECT_EQ(integrity(*db), "ok");
  std::set<std::string> present;
  for (const auto& row : db->query("select keyNo from wh_In").rows)
    present.insert(protocol::toDisplayText(row[0]));
  for (const auto& key : acknowledged) EXPECT_TRUE(present.count(key)) << key << " is missing";
  // Whole documents only: every receipt in the copy has all its lines.
  EXPECT_EQ(count(*db, "select count(*) from wh_in_det"),
            5 * count(*db, "select count(*) from wh_In"));
}

TEST_F(BackupTest, RestoringUnderARunningServerIsRefusedUnlessForcedAndKeepsTheReplacedSetAside) {
  auto c = newClient();
  ASSERT_EQ(c->login(), "OK");
  c->call(path::kUpdateData, receiptDocument("BEFORE", 2));
  const fs::path copy = dir_.path() / "copy.qkbak";
  server::backupAccountSet(AccountStore(dir_.path()), kAccount, copy);
  c->call(path::kUpdateData, receiptDocument("AFTER", 2));

  {
    server::DataDirLock serving(dir_.path(), server::DataDirLock::Mode::Serve);
    EXPECT_NE(backupError([&] {
                server::restoreAccountSet(AccountStore(dir_.path()), kAccount, copy, false);
              }).find("正在使用数据目录"),
              std::string::npos);
    EXPECT_EQ(c->open("select count(*) from wh_In where keyNo = 'AFTER'").rows[0][0],
              protocol::Value(std::int64_t{1}));
    // A server cannot start over a folder while a restore holds it.
    server::DataDirLock restoring(dir_.path(), server::DataDirLock::Mode::Restore);
    EXPECT_TRUE(restoring.contended());

    const auto r = server::restoreAccountSet(AccountStore(dir_.path()), kAccount, copy, true);
    ASSERT_FALSE(r.keptAside.empty());
    EXPECT_EQ(r.keptAside.parent_path(), dir_.path());
    EXPECT_TRUE(
        r.keptAside.filename().string().starts_with(std::string(kAccount) + ".before-restore-"));
  }
  // The session still open sees the restored set; the set it replaced keeps the later save.
  EXPECT_EQ(c->open("select count(*) from wh_In where keyNo in ('BEFORE', 'AFTER')").rows[0][0],
            protocol::Value(std::int64_t{1}));
  c->call(path::kUpdateData, receiptDocument("AGAIN", 2));
  const auto names = filesIn(dir_.path());
  const auto aside = std::find_if(names.begin(), names.end(), [](const std::string& n) {
    return n.find(".before-restore-") != n.npos;
  });
  ASSERT_NE(aside, names.end());
  auto kept = db::openSqlite(dir_.path() / *aside, db::OpenMode::Existing);
  EXPECT_EQ(count(*kept, "select count(*) from wh_In where keyNo = 'AFTER'"), 1);
  EXPECT_EQ(integrity(*kept), "ok");

  server::DataDirLock free(dir_.path(), server::DataDirLock::Mode::Restore);
  EXPECT_FALSE(free.contended());
  EXPECT_NE(backupError([&] {
              server::DataDirLock serve(dir_.path(), server::DataDirLock::Mode::Serve);
            }).find("正在恢复账套"),
            std::string::npos);
}

TEST(BackupFailureTest, DamagedForeignOrNewerCopiesAreRefusedAndLeaveTheAccountSetAsItWas) {
  if (onPostgres()) GTEST_SKIP() << "file copies are of SQLite account sets";
  TempDir dir;
  installTestAccount(dir.path());
  AccountStore store(dir.path());
  const auto untouched = filesIn(dir.path());

  const fs::path garbage = dir.path() / "garbage.qkbak";
  std::ofstream(garbage) << std::string(8192, 'x');
  EXPECT_FALSE(
      backupError([&] { server::restoreAccountSet(store, kAccount, garbage, true); }).empty());

  const fs::path foreign = dir.path() / "foreign.qkbak";
  db::openSqlite(foreign, db::OpenMode::Create)->script("create table t (a integer)");
  EXPECT_NE(backupError([&] {
              server::restoreAccountSet(store, kAccount, foreign, true);
            }).find("不是 QK 账套"),
            std::string::npos);

  const fs::path newer = dir.path() / "newer.qkbak";
  server::backupAccountSet(store, kAccount, newer);
  db::openSqlite(newer, db::OpenMode::Existing)
      ->execute("insert into qk_migrations (name) values ('9999_future.sql')");
  EXPECT_NE(backupError([&] {
              server::restoreAccountSet(store, kAccount, newer, true);
            }).find("来自较新版本"),
            std::string::npos);

  // Nothing is overwritten, neither an existing file by a copy nor anything by a failed restore.
  EXPECT_NE(backupError([&] { server::backupAccountSet(store, kAccount, garbage); }).find("已存在"),
            std::string::npos);
  EXPECT_NE(backupError([&] {
              server::backupAccountSet(store, "无此账套", dir.path() / "x");
            }).find("不存在"),
            std::string::npos);
  auto names = filesIn(dir.path());
  std::erase_if(names, [](const std::string& n) {
    return n.find(".qkbak") != std::string::npos || n == ".qk-server.lock";
  });
  EXPECT_EQ(names, untouched);
}

TEST(BackupUpgradeTest, ACopyFromTheSchemaBeforeIsUpgradedThroughTheMigrationsOnRestore) {
  const auto& files = server::schemaFiles();
  ASSERT_GE(files.size(), 2u);
  TempDir old, current;
  {
    // The account set as the previous version of the server left it.
    auto db = db::openSqlite(old.path() / (std::string("旧账套") + server::kAccountFileSuffix),
                             db::OpenMode::Create);
    server::migrate(*db, files.size() - 1);
    db->execute("insert into bas_cust (custNo, custName) values ('K1', '老客户')");
  }
  const fs::path copy = old.path() / "old.qkbak";
  const auto written = server::backupAccountSet(AccountStore(old.path()), "旧账套", copy);
  EXPECT_EQ(written.applied, static_cast<int>(files.size()) - 1);
  EXPECT_EQ(server::inspectBackup(copy).last, std::string(files[files.size() - 2].name));

  const auto r = server::restoreAccountSet(AccountStore(current.path()), "旧账套", copy, false);
  EXPECT_EQ(r.copy.applied, static_cast<int>(files.size()) - 1);
  EXPECT_EQ(r.restored.applied, static_cast<int>(files.size()));
  EXPECT_EQ(r.restored.last, std::string(files.back().name));
  auto db = AccountStore(current.path()).open("旧账套");
  EXPECT_EQ(count(*db, "select count(*) from bas_cust where custName = '老客户'"), 1);
  EXPECT_EQ(count(*db, "select count(*) from qk_migrations"),
            static_cast<std::int64_t>(files.size()));
}

class ScheduledBackupTest : public ServerTest {
 protected:
  void SetUp() override {
    if (onPostgres()) GTEST_SKIP() << "file copies are of SQLite account sets";
    ServerTest::SetUp();
  }
  std::vector<std::string> lines;
  std::unique_ptr<server::BackupScheduler> scheduler(const fs::path& dir, int keep) {
    return std::make_unique<server::BackupScheduler>(
        AccountStore(dir_.path()), server::BackupSchedule{150, dir, keep},
        [this](const std::string& line) { lines.push_back(line); });
  }
};

TEST_F(ScheduledBackupTest, AFailedCopyIsLoggedAndToldOnceToTheNextAdministratorWhoLogsIn) {
  stopServer();
  const fs::path notADir = dir_.path() / "backups";
  std::ofstream(notADir) << "a file where the folder should be";
  auto backups = scheduler(notADir, 3);
  options_.adminNotice = [&] { return backups->takeNotice(); };
  startServer();
  auto admin = newClient();
  ASSERT_EQ(admin->login(), "OK");
  admin->addUser("clerk", "pw");

  EXPECT_EQ(backups->runOnce(), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("FAILED"), std::string::npos) << lines[0];
  auto clerk = newClient();
  auto reply = clerk->post(path::kLogin,
                           {{"account", kAccount}, {"user", "clerk"}, {"password", "pw"}}, false);
  EXPECT_EQ(reply.body.value("result", ""), "OK");
  EXPECT_FALSE(reply.body.contains("notice"));  // a clerk can do nothing about it

  const Json login{{"account", kAccount}, {"user", "admin"}, {"password", kAdminPassword}};
  reply = newClient()->post(path::kLogin, login, false);
  EXPECT_EQ(reply.body.value("result", ""), "OK");
  EXPECT_NE(reply.body.value("notice", "").find("自动备份失败"), std::string::npos);
  EXPECT_NE(reply.body.value("notice", "").find(kAccount), std::string::npos);
  EXPECT_FALSE(newClient()->post(path::kLogin, login, false).body.contains("notice"));
}

TEST_F(ScheduledBackupTest, OnlyTheNewestCopiesOfEachSetAreKeptAndNoOtherFileIsTouched) {
  TempDir backupDir;
  const std::string mine = std::string(kAccount) + "-";
  const std::vector<std::string> old{mine + "20240101-023000.qkbak", mine + "20240102-023000.qkbak",
                                     mine + "20240103-023000.qkbak"};
  const std::vector<std::string> others{"其他账套-20200101-023000.qkbak", mine + "notes.qkbak",
                                        mine + "20240101-023000.txt"};
  for (const auto& n : old) std::ofstream(backupDir.path() / n) << "old";
  for (const auto& n : others) std::ofstream(backupDir.path() / n) << "other";

  auto backups = scheduler(backupDir.path(), 2);
  EXPECT_EQ(backups->runOnce(), 0);
  EXPECT_EQ(backups->takeNotice(), "");
  const auto names = filesIn(backupDir.path());
  std::vector<std::string> copies;
  for (const auto& n : names)
    if (n.starts_with(mine + "20") && n.ends_with(".qkbak")) copies.push_back(n);
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0], old[2]);
  EXPECT_EQ(server::inspectBackup(backupDir.path() / copies[1]).applied,
            static_cast<int>(server::schemaFiles().size()));
  for (const auto& n : others) EXPECT_TRUE(fs::exists(backupDir.path() / n)) << n;
}

// qk-server as an administrator runs it from a shell or a configuration file.
ProgramRun qkServer(const TempDir& dir, const std::string& args) {
  return runProgram(QK_SERVER_BIN, args, dir.path());
}

TEST(BackupCommandTest, BackupAndRestoreFromTheCommandLineReportTheSchemaVersion) {
  if (onPostgres()) GTEST_SKIP() << "file copies are of SQLite account sets";
  TempDir dir;
  installTestAccount(dir.path());
  const std::string data = "--data '" + dir.path().string() + "' --account " + kAccount;
  const std::string copy = (dir.path() / "c.qkbak").string();
  ProgramRun r = qkServer(dir, "backup " + data + " --out '" + copy + "'");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("integrity check ok"), std::string::npos) << r.output;
  {
    server::DataDirLock serving(dir.path(), server::DataDirLock::Mode::Serve);
    r = qkServer(dir, "restore " + data + " --from '" + copy + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("--force"), std::string::npos) << r.output;
  }
  r = qkServer(dir, "restore " + data + " --from '" + copy + "'");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const std::string now = "now " + std::to_string(server::schemaFiles().size()) + " (" +
                          std::string(server::schemaFiles().back().name) + ")";
  EXPECT_NE(r.output.find(now), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(".before-restore-"), std::string::npos) << r.output;
}

TEST(BackupCommandTest, AConfigurationFileIsCheckedLikeTheCommandLine) {
  TempDir dir;
  const fs::path conf = dir.path() / "qk-server.conf";
  std::ofstream(conf) << "# listen address\n[server]\nlisten = 0.0.0.0:8686\ndata = "
                      << dir.path().string() << "\n";
  ProgramRun r = qkServer(dir, "serve --config '" + conf.string() + "'");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("refusing to serve 0.0.0.0 without TLS"), std::string::npos) << r.output;

  std::ofstream(conf, std::ios::app) << "backup_time = 25:00\nbackup_dir = /tmp\n";
  r = qkServer(dir, "serve --config '" + conf.string() + "' --listen 127.0.0.1:1");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("--backup-time must be HH:MM"), std::string::npos) << r.output;

  std::ofstream(conf, std::ios::app) << "backup_tim = 02:30\n";
  r = qkServer(dir, "serve --config '" + conf.string() + "'");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("qk-server.conf:7: unknown setting 'backup-tim'"), std::string::npos)
      << r.output;
}

}  // namespace
}  // namespace qk::test
