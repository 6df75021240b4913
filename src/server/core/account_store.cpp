#include "server/core/account_store.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "server/core/password.h"
#include "server/db/pg_connection.h"
#include "server/db/pg_schema.h"
#include "server/demo/demo_data.h"
#include "server/schema/embedded.h"

namespace qk::server {

AccountStore::AccountStore(std::filesystem::path dataDir) : dir_(std::move(dataDir)) {}

namespace {

// The account set's name as part of a file name; std::invalid_argument for one that cannot be.
std::string checkedAccountName(std::string_view account) {
  if (account.empty()) throw std::invalid_argument("账套名称不能为空");
  if (account.size() > 100) throw std::invalid_argument("账套名称太长");
  for (unsigned char c : account) {
    if (c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
        c == '<' || c == '>' || c == '|')
      throw std::invalid_argument("账套名称不能包含字符 / \\ : * ? \" < > | 或控制字符");
  }
  if (account.front() == '.' || account.front() == ' ' || account.back() == ' ')
    throw std::invalid_argument("账套名称不能以点或空格开头，也不能以空格结尾");
  return std::string(account);
}

}  // namespace

std::filesystem::path AccountStore::fileFor(std::string_view account) const {
  return dir_ / (checkedAccountName(account) + kAccountFileSuffix);
}

std::filesystem::path AccountStore::postgresFileFor(std::string_view account) const {
  return dir_ / (checkedAccountName(account) + kPostgresFileSuffix);
}

bool AccountStore::exists(std::string_view account) const {
  try {
    return std::filesystem::is_regular_file(fileFor(account)) || isPostgres(account);
  } catch (const std::invalid_argument&) {
    return false;
  }
}

bool AccountStore::isPostgres(std::string_view account) const {
  try {
    return std::filesystem::is_regular_file(postgresFileFor(account));
  } catch (const std::invalid_argument&) {
    return false;
  }
}

std::string AccountStore::postgresUrl(std::string_view account) const {
  const auto file = postgresFileFor(account);
  std::ifstream in(file);
  std::string url;
  std::getline(in, url);
  while (!url.empty() && (url.back() == '\r' || url.back() == ' ')) url.pop_back();
  if (!in && url.empty()) throw std::runtime_error("无法读取 " + file.string());
  if (url.empty()) throw std::runtime_error(file.string() + " 中没有数据库地址");
  return url;
}

std::vector<std::string> AccountStore::list() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
    const auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != kAccountFileSuffix && ext != kPostgresFileSuffix))
      continue;
    names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

namespace {

// A whole positive number from a setting's text; nothing for anything else.
std::optional<std::int64_t> positiveSetting(const protocol::Value& value) {
  const std::string text = protocol::toDisplayText(value);
  std::int64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n <= 0) return std::nullopt;
  return n;
}

}  // namespace

db::StatementLimits configuredLimits(db::Connection& db) {
  db::StatementLimits limits;
  protocol::RecordSet rs;
  try {
    rs = db.query(
        "select idName, idValue from main.sys_config where idName in "
        "('maxQueryRows', 'maxQueryMB', 'statementSeconds')");
  } catch (const db::DbError&) {
    return limits;  // a set that cannot be read fails at its first real statement instead
  }
  for (const auto& row : rs.rows) {
    const auto n = positiveSetting(row[1]);
    if (!n) continue;  // an unreadable value keeps the default rather than lifting the bound
    const std::string name = protocol::toDisplayText(row[0]);
    if (protocol::iequals(name, "maxQueryRows")) limits.maxRows = *n;
    if (protocol::iequals(name, "maxQueryMB") && *n <= (std::int64_t{1} << 20))
      limits.maxBytes = *n << 20;
    if (protocol::iequals(name, "statementSeconds") && *n <= 24 * 3600)
      limits.timeLimit = std::chrono::seconds(*n);
  }
  return limits;
}

std::shared_ptr<const db::SchemaModel> schemaModel() {
  // A function-local static: built by the first caller, safely for threads.
  static const std::shared_ptr<const db::SchemaModel> model = [] {
    auto db = db::openSqlite(":memory:", db::OpenMode::Create);
    migrate(*db);
    return db::SchemaModel::build(*db);
  }();
  return model;
}

std::unique_ptr<db::Connection> AccountStore::open(std::string_view account) const {
  auto db = isPostgres(account) ? db::openPostgres(postgresUrl(account), schemaModel())
                                : db::openSqlite(fileFor(account), db::OpenMode::Existing);
  db->setLimits(configuredLimits(*db));
  return db;
}

namespace {

// The administrator with every right, and the demo data if asked for, in a migrated database.
void fillNewAccount(db::Connection& db, std::string_view adminPassword, bool demo) {
  db::Transaction tx(db);
  db.execute(
      "insert into main.sys_user (userId, userName, pwd, remark) values "
      "('0001', 'admin', :pwd, '系统管理员')",
      {{"pwd", hashPassword(adminPassword)}});
  db.execute(
      "insert into main.sys_rights (userName, actionNo, canNew, canEdit, canDelete, "
      "canReview, canView) select 'admin', actionNo, 1, 1, 1, 1, 1 from main.sys_action");
  if (demo) addDemoData(db);
  tx.commit();
}

}  // namespace

void AccountStore::create(std::string_view account, std::string_view adminPassword,
                          bool demo) const {
  if (adminPassword.empty()) throw std::invalid_argument("管理员密码不能为空");
  const auto file = fileFor(account);
  if (isPostgres(account))
    throw std::runtime_error("账套“" + std::string(account) + "”已存在 (PostgreSQL)");
  std::filesystem::create_directories(dir_);
  // Refuses an existing set before anything is touched: the clean-up below must only ever
  // remove a file this call created.
  auto db = db::openSqlite(file, db::OpenMode::Create);
  try {
    migrate(*db);
    fillNewAccount(*db, adminPassword, demo);
  } catch (...) {
    db.reset();
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"})
      std::filesystem::remove(file.string() + suffix, ec);
    throw;
  }
}

void AccountStore::createPostgres(std::string_view account, const std::string& url,
                                  std::string_view adminPassword, bool demo) const {
  if (adminPassword.empty()) throw std::invalid_argument("管理员密码不能为空");
  const auto link = postgresFileFor(account);
  if (exists(account))
    throw std::runtime_error("账套“" + std::string(account) + "”已存在于 " + dir_.string());
  // The URL is kept in the data directory as plain text.
  if (db::postgresUrlHasPassword(url))
    throw std::invalid_argument(
        "数据库地址中不能写密码（它会以明文记在数据目录中）：请把密码写入 libpq 的密码文件 "
        "~/.pgpass，或用环境变量 PGPASSWORD 给出");
  std::filesystem::create_directories(dir_);
  auto db = db::openPostgres(url, schemaModel());
  const auto relations = db->query(
      "select count(*) from pg_class c join pg_namespace n on n.oid = c.relnamespace "
      "where c.relkind in ('r', 'v', 'm', 'p', 'f', 'S') "
      "and n.nspname <> 'information_schema' and left(n.nspname, 3) <> 'pg_'");
  if (!relations.rows.empty() && protocol::toDisplayText(relations.rows[0][0]) != "0")
    throw std::runtime_error(
        "数据库中已有数据表：账套只能建在新建的空数据库中，请另建一个数据库 (见 INSTALL.md)");
  try {
    upgradePostgres(*db);
    fillNewAccount(*db, adminPassword, demo);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string(e.what()) +
                             "\n数据库中已建了一部分表：请删除并重新创建该数据库后再试");
  }
  // Recorded last, so the set appears only once it is whole; never over another file.
  std::FILE* out = std::fopen(link.c_str(), "wx");
  if (!out) throw std::runtime_error("无法写入 " + link.string() + ": " + std::strerror(errno));
  const std::string line = url + "\n";
  const bool written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
  if (std::fclose(out) != 0 || !written) {
    std::error_code ec;
    std::filesystem::remove(link, ec);
    throw std::runtime_error("无法写入 " + link.string());
  }
}

void AccountStore::upgrade(std::string_view account, db::Connection& db) const {
  if (isPostgres(account))
    upgradePostgres(db);
  else
    migrate(db);
}

int AccountStore::migrateAll() const {
  int n = 0;
  for (const auto& name : list()) {
    auto db = open(name);
    upgrade(name, *db);
    ++n;
  }
  return n;
}

const std::vector<EmbeddedFile>& postgresSchemaFiles() {
  static const std::vector<db::PgSchemaFile> translated = [] {
    std::vector<db::SchemaSource> sqlite, twins;
    for (const auto& f : schemaFiles()) sqlite.push_back({f.name, f.text});
    for (const auto& f : postgresTwinFiles()) twins.push_back({f.name, f.text});
    return db::postgresMigrations(sqlite, twins);
  }();
  static const std::vector<EmbeddedFile> files = [] {
    std::vector<EmbeddedFile> out;
    for (const auto& f : translated) out.push_back({f.name, f.text});
    return out;
  }();
  return files;
}

namespace {

constexpr std::string_view kMigrationJournal =
    "create table if not exists main.qk_migrations (name text primary key, appliedAt datetime)";

void applyMigrations(db::Connection& db, const std::vector<EmbeddedFile>& files,
                     const std::string& journal, std::size_t upTo) {
  // The server's own statements name main's tables: nothing a session made can stand in for them.
  db.script(journal);
  for (std::size_t i = 0; i < files.size() && i < upTo; ++i) {
    const auto& file = files[i];
    db::Transaction tx(db);
    auto done = db.query("select 1 from main.qk_migrations where name = :n",
                         {{"n", std::string(file.name)}});
    if (!done.rows.empty()) continue;
    try {
      db.script(file.text);
    } catch (const db::DbError& e) {
      throw db::DbError("数据库结构升级失败 (" + std::string(file.name) + "): " + e.what());
    }
    db.execute("insert into main.qk_migrations (name, appliedAt) values (:n, getdate())",
               {{"n", std::string(file.name)}});
    tx.commit();
  }
}

}  // namespace

void migrate(db::Connection& db, std::size_t upTo) {
  applyMigrations(db, schemaFiles(), std::string(kMigrationJournal), upTo);
}

void migratePostgres(db::Connection& db, std::size_t upTo) {
  applyMigrations(db, postgresSchemaFiles(), db::toPostgresDdl(kMigrationJournal), upTo);
}

void upgradePostgres(db::Connection& db, std::size_t upTo) {
  // Several servers of one database start together; their grants would collide ("tuple
  // concurrently updated"), so one upgrades at a time. The lock is the session's, not a row's.
  constexpr std::string_view kLock = "select pg_advisory_lock(7281904)";
  db.query(kLock);
  try {
    migratePostgres(db, upTo);
    db::preparePostgresDatabase(db);
  } catch (...) {
    db.query("select pg_advisory_unlock(7281904)");
    throw;
  }
  db.query("select pg_advisory_unlock(7281904)");
}

}  // namespace qk::server
