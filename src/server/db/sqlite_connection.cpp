// SQLite behind the Connection interface: RAII handles, the functions the client's SQL texts
// call, the guard on client statements, and type mapping from declared column types.
#include <sqlite3.h>

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "protocol/value.h"
#include "server/db/connection.h"
#include "server/db/dialect.h"
#include "server/db/schema_model.h"
#include "server/db/statement_guard.h"

namespace qk::db {

namespace {

using protocol::Blob;
using protocol::FieldType;

std::string nowText() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

// ---- SQL functions of the client's dialect ---------------------------------------------------

void fnGetdate(sqlite3_context* ctx, int, sqlite3_value**) {
  const std::string now = nowText();
  sqlite3_result_text(ctx, now.c_str(), static_cast<int>(now.size()), SQLITE_TRANSIENT);
}

// year(), month(), day(): the date part of a date-time text; null stays null.
template <int Part>
void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  int y = 0, m = 0, d = 0;
  if (!text || std::sscanf(text, "%4d-%2d-%2d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 ||
      d > 31) {
    const std::string msg = std::string("无法把“") + (text ? text : "") + "”转换为日期";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  sqlite3_result_int(ctx, Part == 0 ? y : Part == 1 ? m : d);
}

// len(): characters without trailing blanks, as the original dialect counts them.
void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  std::size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') --n;
  long chars = 0;
  for (std::size_t i = 0; i < n; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++chars;
  sqlite3_result_int64(ctx, chars);
}

// qk_refuse(text): fails the statement with the text as a refusal; the schema's triggers use it
// for rules whose message names the values involved, which RAISE cannot.
void fnRefuse(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  sqlite3_result_error(ctx, text ? text : "", -1);
  sqlite3_result_error_code(ctx, SQLITE_CONSTRAINT_TRIGGER);
}

void registerFunctions(sqlite3* db) {
  // Innocuous: usable in the schema's views while the schema is not trusted with others.
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS;
  const int det = flags | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "getdate", 0, flags, nullptr, fnGetdate, nullptr, nullptr);
  sqlite3_create_function(db, "year", 1, det, nullptr, fnDatePart<0>, nullptr, nullptr);
  sqlite3_create_function(db, "month", 1, det, nullptr, fnDatePart<1>, nullptr, nullptr);
  sqlite3_create_function(db, "day", 1, det, nullptr, fnDatePart<2>, nullptr, nullptr);
  sqlite3_create_function(db, "len", 1, det, nullptr, fnLen, nullptr, nullptr);
  sqlite3_create_function(db, "qk_refuse", 1, flags, nullptr, fnRefuse, nullptr, nullptr);
}

// ---- RAII handles ------------------------------------------------------------------------------

// Prepared statements are kept per connection and reused: the same texts (a document's line
// inserts, a screen's lookups) come back over and over. Each keeps whether it writes the main
// database, decided once when it was prepared.
struct Prepared {
  sqlite3_stmt* stmt = nullptr;
  bool writesMain = false;
  // A statement that writes only temporary tables: the temp schema's version it was judged
  // against (-1 for any other statement).
  std::int64_t tempSchema = -1;
  bool client = false;  // a client's statement: guarded and bounded on every step
};

class StatementCache {
 public:
  static constexpr std::size_t kCapacity = 128;
  ~StatementCache() { clear(); }
  void clear() {
    for (auto& [key, p] : idle_) sqlite3_finalize(p.stmt);
    idle_.clear();
  }
  Prepared take(const std::string& key) {
    auto it = idle_.find(key);
    if (it == idle_.end()) return {};
    Prepared p = it->second;
    idle_.erase(it);
    return p;
  }
  // Returns a statement after use; finalizes it when the cache is full or holds that text.
  void give(std::string key, Prepared p) {
    sqlite3_reset(p.stmt);
    sqlite3_clear_bindings(p.stmt);
    if (idle_.size() >= kCapacity || idle_.count(key)) {
      sqlite3_finalize(p.stmt);
      return;
    }
    idle_.emplace(std::move(key), p);
  }

 private:
  std::unordered_map<std::string, Prepared> idle_;
};

class Statement {
 public:
  Statement(Prepared p, StatementCache* cache, std::string key)
      : p_(p), cache_(cache), key_(std::move(key)) {}
  Statement(Statement&& o) noexcept
      : p_(std::exchange(o.p_, {})), cache_(o.cache_), key_(std::move(o.key_)) {}
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() {
    if (!p_.stmt) return;
    if (cache_)
      cache_->give(std::move(key_), p_);
    else
      sqlite3_finalize(p_.stmt);
  }
  sqlite3_stmt* get() const { return p_.stmt; }
  bool writesMain() const { return p_.writesMain; }
  bool client() const { return p_.client; }

 private:
  Prepared p_;
  StatementCache* cache_ = nullptr;
  std::string key_;
};

// ---- errors ------------------------------------------------------------------------------------

// "UNIQUE constraint failed: t.a, t.b" names the table and its columns after the colon.
void constraintTarget(const std::string& message, std::string& table,
                      std::vector<std::string>& columns) {
  const auto colon = message.find(": ");
  if (colon == std::string::npos) return;
  std::size_t pos = colon + 2;
  while (pos < message.size()) {
    std::size_t comma = message.find(", ", pos);
    const std::string part =
        message.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    if (auto dot = part.find('.'); dot != std::string::npos) {
      if (table.empty()) table = part.substr(0, dot);
      columns.push_back(part.substr(dot + 1));
    }
    if (comma == std::string::npos) break;
    pos = comma + 2;
  }
}

// Classifies a failure by SQLite's extended result code. Constraint failures keep SQLite's text
// (callers phrase them from the kind and the names), and so do mistakes in a statement (SQLite's
// words name the table or column); the others get a text for the user.
DbError errorFrom(sqlite3* db, int code) {
  const std::string message = sqlite3_errmsg(db);
  switch (code & 0xff) {
    case SQLITE_CONSTRAINT: {
      // A trigger's refusal is a rule of the schema, worded there for the user.
      if (code == SQLITE_CONSTRAINT_TRIGGER) return DbError(message, ErrorKind::Refused);
      std::string table;
      std::vector<std::string> columns;
      constraintTarget(message, table, columns);
      ErrorKind kind = ErrorKind::Constraint;
      if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
        kind = ErrorKind::Duplicate;
      else if (code == SQLITE_CONSTRAINT_NOTNULL)
        kind = ErrorKind::NotNull;
      return DbError(message, kind, std::move(table), std::move(columns));
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return DbError("数据库正被其他程序占用，请稍后重试", ErrorKind::Busy);
    case SQLITE_FULL:
      return DbError("服务器磁盘空间已满，数据没有保存，请联系管理员", ErrorKind::DiskFull);
    case SQLITE_READONLY:
      return DbError("数据库文件是只读的，数据没有保存，请联系管理员检查文件权限",
                     ErrorKind::Storage);
    case SQLITE_IOERR:
      // The extended code tells the administrator which operation of the disk failed.
      return DbError("读写数据库文件时发生磁盘错误，数据没有保存（错误代码 " +
                         std::to_string(code) + "），请联系管理员",
                     ErrorKind::Storage);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return DbError("数据库文件已损坏，请联系管理员从备份恢复", ErrorKind::Storage);
    case SQLITE_CANTOPEN:
      return DbError("无法打开数据库文件，请联系管理员检查数据目录", ErrorKind::Storage);
    case SQLITE_NOMEM:
      return DbError("服务器内存不足，语句没有执行完，请稍后重试");
    case SQLITE_TOOBIG:
      return DbError("语句或数据太大，超过了服务器允许的长度", ErrorKind::Refused);
    case SQLITE_INTERRUPT:
      return DbError("语句已被中止");
    case SQLITE_SCHEMA:
      return DbError("数据库结构刚刚改变，请重试");
    default:
      return DbError(message);
  }
}

// One writer at a time per database file, queued in the process instead of SQLite's busy
// handler, which sleeps and retries and so wastes most of the time under contention.
std::shared_ptr<std::mutex> writerLockFor(const std::filesystem::path& file) {
  static std::mutex registryMutex;
  static std::map<std::string, std::weak_ptr<std::mutex>> registry;
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(file, ec);
  const std::string key = ec ? file.string() : canonical.string();
  std::lock_guard lock(registryMutex);
  auto& weak = registry[key];
  auto lockPtr = weak.lock();
  if (!lockPtr) {
    lockPtr = std::make_shared<std::mutex>();
    weak = lockPtr;
  }
  return lockPtr;
}

FieldType typeFromDecl(const char* decl, int* size) {
  return fieldTypeFromDeclaration(decl ? decl : "", size);
}

FieldType typeFromStorage(int storage) {
  switch (storage) {
    case SQLITE_INTEGER:
      return FieldType::Integer;
    case SQLITE_FLOAT:
      return FieldType::Float;
    case SQLITE_BLOB:
      return FieldType::Blob;
    default:
      return FieldType::String;
  }
}

Value readCell(sqlite3_stmt* st, int col, FieldType type) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL:
      return std::monostate{};
    case SQLITE_INTEGER: {
      const std::int64_t i = sqlite3_column_int64(st, col);
      if (type == FieldType::Boolean) return i != 0;
      if (type == FieldType::Decimal || type == FieldType::Float) return static_cast<double>(i);
      return i;
    }
    case SQLITE_FLOAT:
      return sqlite3_column_double(st, col);
    case SQLITE_BLOB: {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, col));
      return Blob{std::vector<std::uint8_t>(p, p + sqlite3_column_bytes(st, col))};
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
      std::string text(p, sqlite3_column_bytes(st, col));
      if (type == FieldType::Boolean) {
        if (text == "1" || protocol::iequals(text, "true")) return true;
        if (text == "0" || protocol::iequals(text, "false")) return false;
      }
      return text;
    }
  }
}

// Limits on what a statement may be; generous for any text the client or the server writes, small
// enough that no request can make the parser or the engine exhaust the server.
void limitStatements(sqlite3* db) {
  sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1000000);
  sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 500);
  sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 250);
  sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 2000);
  sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 100);
  sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 10000);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 100);
}

// The longest text or blob one value may be: at least what a stored document needs, at most what
// one result may hold.
int valueLengthLimit(const StatementLimits& limits) {
  constexpr std::int64_t kFloor = std::int64_t{64} << 20, kCeiling = std::int64_t{1} << 30;
  return static_cast<int>(std::clamp(limits.maxBytes, kFloor, kCeiling));
}

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(const std::filesystem::path& file, OpenMode mode) {
    const bool exists = std::filesystem::exists(file);
    if (mode == OpenMode::Create && exists) throw DbError("数据库文件已存在: " + file.string());
    if (mode == OpenMode::Existing && !exists) throw DbError("数据库文件不存在: " + file.string());
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX |
                      (mode == OpenMode::Create ? SQLITE_OPEN_CREATE : 0);
    if (const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr); rc != SQLITE_OK) {
      DbError error = db_ ? errorFrom(db_, sqlite3_extended_errcode(db_))
                          : DbError("服务器内存不足，无法打开数据库");
      sqlite3_close(db_);
      throw error;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 10000);
    // Extensions can never be loaded: neither the C API nor the SQL function is enabled. The
    // connection is defensive (no writable schema, no raw pages), the FTS3 tokenizer function
    // cannot hand out pointers, and functions in the schema must be innocuous.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    limitStatements(db_);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, valueLengthLimit(limits_));
    registerFunctions(db_);
    sqlite3_set_authorizer(db_, StatementGuard::authorize, &guard_);
    sqlite3_progress_handler(db_, 1000, onProgress, this);
    writerLock_ = writerLockFor(file);
    // WAL keeps readers and the writer out of each other's way; FULL makes an answered "OK"
    // durable even across a power cut, not only a crash of the server process.
    script("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=OFF;");
  }

  ~SqliteConnection() override {
    if (inTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (holdsWriter_) writerLock_->unlock();
    cache_.reset();  // finalizes the cached statements before the handle closes
    sqlite3_close_v2(db_);
  }

  RecordSet query(std::string_view sql, const Params& params) override {
    Statement st = prepare(sql, false);
    bind(st.get(), params);
    return readAll(st);
  }

  ExecResult execute(std::string_view sql, const Params& params) override {
    Statement st = prepare(sql, false);
    bind(st.get(), params);
    return runToEnd(st);
  }

  void script(std::string_view sql) override {
    while (!isBlankSql(sql)) {
      const char* tail = nullptr;
      Statement st(prepareOne(sql, false, &tail), nullptr, {});
      if (!st.get()) return;  // only comments were left
      sql.remove_prefix(static_cast<std::size_t>(tail - sql.data()));
      runToEnd(st);
    }
  }

  RecordSet clientQuery(std::string_view sql, const Params& params) override {
    const Deadline deadline(*this);
    Statement st = prepare(translateClientSql(sql), true);
    bind(st.get(), params);
    return readAll(st);
  }

  ExecResult clientExecute(std::string_view sql, const Params& params) override {
    const Deadline deadline(*this);
    Statement st = prepare(translateClientSql(sql), true);
    bind(st.get(), params);
    return runToEnd(st);
  }

  void setWritePolicy(WritePolicy policy) override {
    writePolicy_ = std::move(policy);
    // A cached client statement was judged under the old rights.
    cache_->clear();
  }

  void setLimits(const StatementLimits& limits) override {
    limits_ = limits;
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, valueLengthLimit(limits_));
  }

  std::vector<TableColumn> tableColumns(std::string_view table) override {
    RecordSet rs = query("select name, type, pk from pragma_table_info(:t, 'main')",
                         {{"t", std::string(table)}});
    std::vector<TableColumn> cols;
    int pkCount = 0;
    for (const auto& row : rs.rows) {
      TableColumn c;
      c.name = std::get<std::string>(row[0]);
      c.declaredType = protocol::toDisplayText(row[1]);
      typeFromDecl(c.declaredType.c_str(), &c.size);
      c.primaryKey = std::get<std::int64_t>(row[2]) > 0;
      pkCount += c.primaryKey;
      cols.push_back(std::move(c));
    }
    for (auto& c : cols)
      c.isIdentity = c.primaryKey && pkCount == 1 && protocol::iequals(c.declaredType, "INTEGER");
    return cols;
  }

  std::string canonicalTableName(std::string_view table) override {
    RecordSet rs = query(
        "select name from main.sqlite_schema where type = 'table' and name = :t collate nocase",
        {{"t", std::string(table)}});
    return rs.rows.empty() ? std::string() : std::get<std::string>(rs.rows[0][0]);
  }

  Dialect dialect() const override { return Dialect::Sqlite; }
  bool isEngineTable(std::string_view table) const override {
    return table.size() >= 7 && protocol::iequals(table.substr(0, 7), "sqlite_");
  }

  void begin() override {
    acquireWriter();
    try {
      script("BEGIN IMMEDIATE");
    } catch (...) {
      releaseWriter();
      throw;
    }
  }
  void commit() override {
    script("COMMIT");
    releaseWriter();
  }
  void rollback() override {
    if (inTransaction()) {
      try {
        script("ROLLBACK");
      } catch (...) {
        releaseWriter();
        throw;
      }
    }
    releaseWriter();
  }
  bool inTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }

 private:
  using Clock = std::chrono::steady_clock;

  // The time a client's request may run, from its start until it has read its rows; the
  // progress handler stops the engine once it is over.
  class Deadline {
   public:
    explicit Deadline(SqliteConnection& c) : c_(c), outer_(c.deadline_) {
      if (!outer_) c_.deadline_ = Clock::now() + c_.limits_.timeLimit;
    }
    ~Deadline() { c_.deadline_ = outer_; }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

   private:
    SqliteConnection& c_;
    std::optional<Clock::time_point> outer_;
  };

  static int onProgress(void* self) {
    auto& c = *static_cast<SqliteConnection*>(self);
    return c.deadline_ && Clock::now() > *c.deadline_ ? 1 : 0;
  }

  Statement prepare(std::string_view sql, bool fromClient) {
    std::string key(fromClient ? "c" : "s");
    key.append(sql);
    if (Prepared cached = cache_->take(key); cached.stmt) {
      // A temporary table shadows a main table of its name: once the temp schema has changed,
      // the statement's names may lead elsewhere and its writes are judged again.
      if (cached.tempSchema < 0 || cached.tempSchema == tempSchemaVersion())
        return Statement(cached, cache_.get(), key);
      sqlite3_finalize(cached.stmt);
    }
    if (isBlankSql(sql)) throw DbError("SQL 语句为空");
    const char* tail = nullptr;
    Prepared p = prepareOne(sql, fromClient, &tail);
    if (!p.stmt) throw DbError("SQL 语句为空");
    if (fromClient && tail && !isBlankSql(std::string_view(tail, sql.data() + sql.size() - tail))) {
      sqlite3_finalize(p.stmt);  // never cached: the text holds more than one statement
      throw RefusedError("服务器拒绝执行此语句：一次请求只能执行一条 SQL 语句");
    }
    return Statement(p, cache_.get(), std::move(key));
  }

  // Prepares the first statement of the text, under the guard for a client's text, and decides
  // whether running it needs the writer's turn.
  Prepared prepareOne(std::string_view sql, bool fromClient, const char** tail) {
    guard_.reset(fromClient, &writePolicy_);
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &raw, tail);
    guard_.active = false;
    const StatementGuard judged = guard_;
    if (rc != SQLITE_OK) {
      sqlite3_finalize(raw);
      if (!judged.refusal.empty()) throw RefusedError("服务器拒绝执行此语句：" + judged.refusal);
      throw errorFrom(db_, sqlite3_extended_errcode(db_));
    }
    if (!raw) return {};
    try {
      if (fromClient) refuseWhatTheGuardCannotSee(raw, judged);
      if (sqlite3_stmt_readonly(raw)) return {raw, false, -1, fromClient};
      if (judged.writesOther || !judged.writesTemp) return {raw, true, -1, fromClient};
      return {raw, false, tempSchemaVersion(), fromClient};
    } catch (...) {
      sqlite3_finalize(raw);
      throw;
    }
  }

  // What a client's statement may not do but shows only as a whole: VACUUM asks the authorizer
  // nothing until it runs; RETURNING gives out a password the authorizer asked to hide; and a
  // temporary table named like a main table or view would take its place in the server's own
  // statements.
  void refuseWhatTheGuardCannotSee(sqlite3_stmt* st, const StatementGuard& judged) {
    auto refuse = [](const std::string& why) {
      throw RefusedError("服务器拒绝执行此语句：" + why);
    };
    if (leadingKeyword(sqlite3_sql(st)) == "vacuum") refuse("不允许整理或复制数据库 (VACUUM)");
    if (judged.readsPassword && !sqlite3_stmt_readonly(st)) refuse("修改数据的语句不能读取密码");
    if (!judged.createdTable.empty() &&
        !query("select 1 from main.sqlite_schema where type in ('table', 'view') and "
               "name = :n collate nocase",
               {{"n", judged.createdTable}})
             .rows.empty())
      refuse("临时表不能与数据库中的表或视图同名（" + judged.createdTable + "）");
  }

  std::int64_t tempSchemaVersion() {
    const RecordSet rs = query("PRAGMA temp.schema_version", {});
    const auto* version = rs.rows.empty() ? nullptr : std::get_if<std::int64_t>(&rs.rows[0][0]);
    return version ? *version : 0;
  }

  void acquireWriter() {
    if (holdsWriter_) return;
    writerLock_->lock();
    holdsWriter_ = true;
  }
  void releaseWriter() {
    if (!holdsWriter_) return;
    holdsWriter_ = false;
    writerLock_->unlock();
  }

  void bind(sqlite3_stmt* st, const Params& params) {
    const int n = sqlite3_bind_parameter_count(st);
    for (int i = 1; i <= n; ++i) {
      const char* rawName = sqlite3_bind_parameter_name(st, i);
      if (!rawName) throw DbError("不支持无名参数 (?)，请使用 :名称 形式的参数");
      const std::string_view name(rawName + 1);  // past the ':', '@' or '$'
      auto it = params.find(name);
      if (it == params.end()) throw DbError("参数 " + std::string(rawName) + " 没有赋值");
      bindValue(st, i, it->second);
    }
  }

  void bindValue(sqlite3_stmt* st, int i, const Value& v) {
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(v)) {
      rc = sqlite3_bind_null(st, i);
    } else if (auto b = std::get_if<bool>(&v)) {
      rc = sqlite3_bind_int(st, i, *b ? 1 : 0);
    } else if (auto n = std::get_if<std::int64_t>(&v)) {
      rc = sqlite3_bind_int64(st, i, *n);
    } else if (auto d = std::get_if<double>(&v)) {
      rc = sqlite3_bind_double(st, i, *d);
    } else if (auto s = std::get_if<std::string>(&v)) {
      rc = sqlite3_bind_text64(st, i, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else if (auto blob = std::get_if<Blob>(&v)) {
      rc = sqlite3_bind_blob64(st, i, blob->bytes.data(), blob->bytes.size(), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throw errorFrom(db_, sqlite3_extended_errcode(db_));
  }

  // One step. A client's statement runs under the guard, since SQLite prepares a statement again
  // after a schema change and runs statements of its own for VACUUM and the pragma functions.
  int step(const Statement& statement) {
    if (statement.client()) guard_.reset(true, &writePolicy_);
    const int rc = sqlite3_step(statement.get());
    guard_.active = false;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return rc;
    if (statement.client() && !guard_.refusal.empty())
      throw RefusedError("服务器拒绝执行此语句：" + guard_.refusal);
    if ((rc & 0xff) == SQLITE_INTERRUPT && deadline_ && Clock::now() > *deadline_)
      throw DbError("语句执行超过 " + std::to_string(limits_.timeLimit.count() / 1000) +
                        " 秒，已被中止，请增加查询条件后重试",
                    ErrorKind::Refused);
    throw errorFrom(db_, sqlite3_extended_errcode(db_));
  }

  // Runs fn while holding the writer's turn when the statement writes the main database and no
  // transaction holds the turn already.
  template <typename Fn>
  auto inTurn(const Statement& st, Fn&& fn) {
    const bool take = st.writesMain() && !holdsWriter_;
    if (take) acquireWriter();
    try {
      auto result = fn();
      if (take) releaseWriter();
      return result;
    } catch (...) {
      if (take) releaseWriter();
      throw;
    }
  }

  RecordSet readAll(const Statement& statement) {
    return inTurn(statement, [&] { return readRows(statement); });
  }

  // Reads the rows; a client's result stops at the limits, before it is held whole.
  RecordSet readRows(const Statement& statement) {
    sqlite3_stmt* st = statement.get();
    RecordSet rs;
    const int cols = sqlite3_column_count(st);
    std::vector<bool> typed(cols, false);
    rs.fields.resize(cols);
    for (int c = 0; c < cols; ++c) {
      rs.fields[c].name = sqlite3_column_name(st, c);
      if (const char* decl = sqlite3_column_decltype(st, c)) {
        rs.fields[c].type = typeFromDecl(decl, &rs.fields[c].size);
        typed[c] = true;
      }
    }
    std::int64_t bytes = 0;
    while (step(statement) == SQLITE_ROW) {
      protocol::Row row(cols);
      for (int c = 0; c < cols; ++c) {
        // Computed columns have no declared type: the first value that is not null decides.
        if (!typed[c] && sqlite3_column_type(st, c) != SQLITE_NULL) {
          rs.fields[c].type = typeFromStorage(sqlite3_column_type(st, c));
          typed[c] = true;
        }
        row[c] = readCell(st, c, rs.fields[c].type);
        bytes += static_cast<std::int64_t>(sizeof(Value)) + sqlite3_column_bytes(st, c);
      }
      rs.rows.push_back(std::move(row));
      if (statement.client()) checkResultSize(rs, bytes);
    }
    return rs;
  }

  void checkResultSize(RecordSet& rs, std::int64_t bytes) {
    const bool tooMany = static_cast<std::int64_t>(rs.rows.size()) > limits_.maxRows;
    if (!tooMany && bytes <= limits_.maxBytes) return;
    rs = RecordSet{};
    releaseFreedMemory();
    if (tooMany)
      throw DbError("查询结果超过 " + std::to_string(limits_.maxRows) + " 行，请增加查询条件",
                    ErrorKind::Refused);
    throw DbError("查询结果超过 " + std::to_string(limits_.maxBytes >> 20) +
                      " MB，请增加查询条件或减少查询的字段",
                  ErrorKind::Refused);
  }

  ExecResult runToEnd(const Statement& statement) {
    sqlite3_stmt* st = statement.get();
    return inTurn(statement, [&] {
      while (step(statement) == SQLITE_ROW) {
      }
      ExecResult r;
      r.rowsAffected = sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes64(db_);
      r.lastInsertId = sqlite3_last_insert_rowid(db_);
      return r;
    });
  }

  sqlite3* db_ = nullptr;
  std::unique_ptr<StatementCache> cache_ = std::make_unique<StatementCache>();
  std::shared_ptr<std::mutex> writerLock_;
  bool holdsWriter_ = false;
  StatementGuard guard_;
  WritePolicy writePolicy_;
  StatementLimits limits_;
  std::optional<Clock::time_point> deadline_;  // of the client request running now
};

}  // namespace

void releaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

std::unique_ptr<Connection> openSqlite(const std::filesystem::path& file, OpenMode mode) {
  return std::make_unique<SqliteConnection>(file, mode);
}

}  // namespace qk::db
