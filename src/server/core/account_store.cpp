#include "server/core/account_store.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

#include "server/core/password.h"
#include "server/db/pg_schema.h"
#include "server/demo/demo_data.h"
#include "server/schema/embedded.h"

namespace qk::server {

AccountStore::AccountStore(std::filesystem::path dataDir) : dir_(std::move(dataDir)) {}

std::filesystem::path AccountStore::fileFor(std::string_view account) const {
  if (account.empty()) throw std::invalid_argument("账套名称不能为空");
  if (account.size() > 100) throw std::invalid_argument("账套名称太长");
  for (unsigned char c : account) {
    if (c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
        c == '<' || c == '>' || c == '|')
      throw std::invalid_argument("账套名称不能包含字符 / \\ : * ? \" < > | 或控制字符");
  }
  if (account.front() == '.' || account.front() == ' ' || account.back() == ' ')
    throw std::invalid_argument("账套名称不能以点或空格开头，也不能以空格结尾");
  return dir_ / (std::string(account) + kAccountFileSuffix);
}

bool AccountStore::exists(std::string_view account) const {
  try {
    return std::filesystem::is_regular_file(fileFor(account));
  } catch (const std::invalid_argument&) {
    return false;
  }
}

std::vector<std::string> AccountStore::list() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
    if (!entry.is_regular_file() || entry.path().extension() != kAccountFileSuffix) continue;
    names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
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

std::unique_ptr<db::Connection> AccountStore::open(std::string_view account) const {
  auto db = db::openSqlite(fileFor(account), db::OpenMode::Existing);
  db->setLimits(configuredLimits(*db));
  return db;
}

void AccountStore::create(std::string_view account, std::string_view adminPassword,
                          bool demo) const {
  if (adminPassword.empty()) throw std::invalid_argument("管理员密码不能为空");
  const auto file = fileFor(account);
  std::filesystem::create_directories(dir_);
  // Refuses an existing set before anything is touched: the clean-up below must only ever
  // remove a file this call created.
  auto db = db::openSqlite(file, db::OpenMode::Create);
  try {
    migrate(*db);
    db::Transaction tx(*db);
    db->execute(
        "insert into main.sys_user (userId, userName, pwd, remark) values "
        "('0001', 'admin', :pwd, '系统管理员')",
        {{"pwd", hashPassword(adminPassword)}});
    db->execute(
        "insert into main.sys_rights (userName, actionNo, canNew, canEdit, canDelete, "
        "canReview, canView) select 'admin', actionNo, 1, 1, 1, 1, 1 from main.sys_action");
    if (demo) addDemoData(*db);
    tx.commit();
  } catch (...) {
    db.reset();
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"})
      std::filesystem::remove(file.string() + suffix, ec);
    throw;
  }
}

int AccountStore::migrateAll() const {
  int n = 0;
  for (const auto& name : list()) {
    auto db = open(name);
    migrate(*db);
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

}  // namespace qk::server
