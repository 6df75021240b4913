// Account sets in PostgreSQL: made by `qk-server init --database`, upgraded by serve, and
// refused by the file backups. Against the cluster QK_TEST_PG (scripts/pg-cluster.sh).
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/core/account_store.h"
#include "server/core/backup.h"
#include "server/db/pg_connection.h"
#include "server/schema/embedded.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

class PostgresAccountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!havePostgresCluster())
      GTEST_SKIP() << "QK_TEST_PG is not set: start a cluster with scripts/pg-cluster.sh";
    database_ = std::make_unique<ScratchPgDatabase>();
  }

  ProgramRun init(const std::string& url, const std::string& account = "工厂") {
    return runProgram(QK_SERVER_BIN,
                      "init --data '" + dir_.path().string() + "' --account '" + account +
                          "' --admin-password pw --database '" + url + "'",
                      dir_.path());
  }

  std::unique_ptr<db::Connection> connect() const {
    return db::openPostgres(database_->url(), server::schemaModel());
  }

  std::string recorded(const std::string& account) const {
    std::stringstream text;
    text << std::ifstream(server::AccountStore(dir_.path()).postgresFileFor(account)).rdbuf();
    return text.str();
  }

  std::unique_ptr<ScratchPgDatabase> database_;
  TempDir dir_;
};

TEST_F(PostgresAccountTest, InitRecordsTheAddressAndMakesTheAdministrator) {
  const auto r = init(database_->url());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(recorded("工厂"), database_->url() + "\n");
  const server::AccountStore store(dir_.path());
  EXPECT_EQ(store.list(), std::vector<std::string>{"工厂"});
  EXPECT_TRUE(store.isPostgres("工厂"));
  EXPECT_FALSE(std::filesystem::exists(store.fileFor("工厂")));

  auto db = store.open("工厂");
  const auto admin = db->query("select pwd from sys_user where userName = 'admin'").rows;
  ASSERT_EQ(admin.size(), 1u);
  EXPECT_FALSE(protocol::toDisplayText(admin[0][0]).empty());
  EXPECT_EQ(db->query("select count(*) from sys_rights where userName = 'admin'").rows,
            db->query("select count(*) from sys_action").rows);
  // Clients read the users without their passwords, as on SQLite.
  const auto seen = db->clientQuery("select userName, pwd from sys_user", {}).rows;
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(seen[0][1]));
}

TEST_F(PostgresAccountTest, AnAddressWithAPasswordIsRefusedAndNothingIsRecorded) {
  std::string withPassword = database_->url();
  withPassword.insert(withPassword.find('@'), ":secret");
  for (const auto& url : {withPassword, database_->url() + "&password=secret"}) {
    const auto r = init(url);
    EXPECT_EQ(r.exitCode, 1) << url;
    EXPECT_NE(r.output.find("PGPASSWORD"), std::string::npos) << r.output;
  }
  EXPECT_TRUE(server::AccountStore(dir_.path()).list().empty());
  EXPECT_TRUE(connect()->query("select 1 from pg_tables where schemaname = 'public'").rows.empty());
}

TEST_F(PostgresAccountTest, ADatabaseThatHoldsTablesIsRefusedAndKeptAsItWas) {
  connect()->script("create table orders (id integer); insert into orders values (7)");
  const auto r = init(database_->url());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("已有数据表"), std::string::npos) << r.output;
  EXPECT_TRUE(server::AccountStore(dir_.path()).list().empty());
  const auto rows = connect()->query("select id from orders").rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(protocol::toDisplayText(rows[0][0]), "7");
  EXPECT_TRUE(
      connect()->query("select 1 from pg_tables where tablename = 'sys_user'").rows.empty());
}

TEST_F(PostgresAccountTest, ServeBringsAnOlderSetUpToDate) {
  {
    auto db = connect();
    server::upgradePostgres(*db, 3);
  }
  std::ofstream(server::AccountStore(dir_.path()).postgresFileFor("旧账套")) << database_->url();
  const int port = freePort();
  ChildProcess server(QK_SERVER_BIN, {"serve", "--data", dir_.path().string(), "--listen",
                                      "127.0.0.1:" + std::to_string(port)});
  ASSERT_TRUE(waitForHealth(port));
  auto db = connect();
  const auto applied = db->query("select count(*) from qk_migrations").rows;
  EXPECT_EQ(protocol::toDisplayText(applied.at(0).at(0)),
            std::to_string(server::postgresSchemaFiles().size()));
  // The tables the later migrations made are granted to the client role as well.
  EXPECT_NO_THROW(db->clientQuery("select count(*) from view_up_bus_po", {}));
}

TEST_F(PostgresAccountTest, ServersStartingTogetherUpgradeTheSameDatabaseOneAfterTheOther) {
  std::vector<std::thread> servers;
  std::atomic<int> failed{0};
  for (int i = 0; i < 3; ++i)
    servers.emplace_back([&] {
      try {
        auto db = connect();
        server::upgradePostgres(*db);
      } catch (const std::exception& e) {
        ++failed;
        ADD_FAILURE() << e.what();
      }
    });
  for (auto& t : servers) t.join();
  EXPECT_EQ(failed, 0);
}

TEST_F(PostgresAccountTest, BackupAndRestoreOfAPostgresSetAreRefusedNamingPgDump) {
  server::AccountStore store(dir_.path());
  store.createPostgres("工厂", database_->url(), "pw", false);
  const auto copy = dir_.path() / "copy.qkbak";
  try {
    server::backupAccountSet(store, "工厂", copy);
    ADD_FAILURE() << "a backup was reported written";
  } catch (const server::BackupError& e) {
    EXPECT_NE(std::string(e.what()).find("pg_dump"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(copy));

  const auto r = runProgram(
      QK_SERVER_BIN,
      "backup --data '" + dir_.path().string() + "' --account 工厂 --out '" + copy.string() + "'",
      dir_.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("pg_dump"), std::string::npos) << r.output;

  // A copy of a SQLite set does not replace the PostgreSQL one either.
  if (!onPostgres()) {
    TempDir other;
    installTestAccount(other.path());
    server::backupAccountSet(server::AccountStore(other.path()), kAccount, copy);
    EXPECT_THROW(server::restoreAccountSet(store, "工厂", copy, true), server::BackupError);
    EXPECT_EQ(recorded("工厂"), database_->url() + "\n");
  }
}

}  // namespace
}  // namespace qk::test
