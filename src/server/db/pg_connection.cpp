// PostgreSQL behind the Connection interface. There is no writer queue as on SQLite: PostgreSQL
// keeps row versions (MVCC) and locks rows, so writers of different rows never wait for a turn.
#include "server/db/pg_connection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/value.h"
#include "server/db/dialect.h"
#include "server/db/pg_translate.h"

namespace qk::db {

namespace {

using protocol::Blob;
using protocol::FieldType;

// Type OIDs of the built-in types results are mapped from (pg_type.h).
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string errorField(const PGresult* r, int field) {
  const char* v = r ? PQresultErrorField(r, field) : nullptr;
  return v ? v : "";
}

// "Key (a, b)=(1, x) already exists." names the columns of a unique or foreign key.
std::vector<std::string> keyColumns(const std::string& detail) {
  std::vector<std::string> out;
  const auto open = detail.find("Key (");
  const auto close = detail.find(")=(", open);
  if (open == std::string::npos || close == std::string::npos) return out;
  const std::string list = detail.substr(open + 5, close - open - 5);
  std::size_t pos = 0;
  while (pos <= list.size()) {
    auto comma = list.find(", ", pos);
    std::string part =
        list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    if (part.size() >= 2 && part.front() == '"') part = part.substr(1, part.size() - 2);
    if (!part.empty()) out.push_back(part);
    if (comma == std::string::npos) break;
    pos = comma + 2;
  }
  return out;
}

FieldType fieldTypeFromOid(Oid type) {
  switch (type) {
    case kInt8Oid:
    case kInt4Oid:
    case kInt2Oid:
    case kOidOid:
    case kBoolOid:  // a comparison: 0 or 1, as SQLite computes it
      return FieldType::Integer;
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
      return FieldType::Float;
    case kByteaOid:
      return FieldType::Blob;
    default:
      return FieldType::String;
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// A cell in text form as SQLite would give it: integers, doubles, blobs, or text.
Value cellFromText(const char* v, int len, Oid type) {
  switch (type) {
    case kInt8Oid:
    case kInt4Oid:
    case kInt2Oid:
    case kOidOid: {
      std::int64_t i = 0;
      std::from_chars(v, v + len, i);
      return i;
    }
    case kNumericOid: {
      // A whole numeric (the sum of integers) is an integer, as SQLite's sum gives it.
      std::int64_t i = 0;
      const auto [end, ec] = std::from_chars(v, v + len, i);
      if (ec == std::errc() && end == v + len) return i;
      [[fallthrough]];
    }
    case kFloat4Oid:
    case kFloat8Oid: {
      double d = 0;
      if (std::from_chars(v, v + len, d).ec != std::errc())
        d = std::strtod(v, nullptr);  // NaN, Infinity
      return d;
    }
    case kBoolOid:
      return static_cast<std::int64_t>(v[0] == 't' ? 1 : 0);
    case kByteaOid: {
      Blob b;
      if (len >= 2 && v[0] == '\\' && v[1] == 'x') {
        b.bytes.reserve(static_cast<std::size_t>(len - 2) / 2);
        for (int i = 2; i + 1 < len; i += 2)
          b.bytes.push_back(static_cast<std::uint8_t>(hexDigit(v[i]) * 16 + hexDigit(v[i + 1])));
      }
      return b;
    }
    default:
      return std::string(v, static_cast<std::size_t>(len));
  }
}

// A cell of a column whose declared type asks for more than its storage says, as SQLite's
// connection gives it: booleans stored as 0/1, decimals that happen to be whole.
Value asDeclared(Value v, FieldType type) {
  if (type == FieldType::Boolean) {
    if (auto i = std::get_if<std::int64_t>(&v)) return *i != 0;
    if (auto s = std::get_if<std::string>(&v)) {
      if (*s == "1" || protocol::iequals(*s, "true")) return true;
      if (*s == "0" || protocol::iequals(*s, "false")) return false;
    }
  } else if (type == FieldType::Decimal || type == FieldType::Float) {
    if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  }
  return v;
}

std::string hexBytes(const Blob& b) {
  static const char digits[] = "0123456789abcdef";
  std::string out = "\\x";
  out.reserve(2 + b.bytes.size() * 2);
  for (std::uint8_t byte : b.bytes) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

// Parameters go as text of unknown type, so PostgreSQL takes each one's type from where it
// stands, as SQLite's affinity does. Doubles go typed (float8): "1.5" of unknown type beside an
// integer column would fail to convert. Blobs go as bytea.
struct BoundParams {
  std::vector<std::optional<std::string>> texts;
  std::vector<const char*> values;
  std::vector<Oid> types;

  BoundParams(const std::vector<std::string>& names, const Params& params) {
    for (const auto& name : names) {
      auto it = params.find(name);
      if (it == params.end()) throw DbError("参数 :" + name + " 没有赋值");
      const Value& v = it->second;
      Oid type = 0;
      std::optional<std::string> text;
      if (auto b = std::get_if<bool>(&v)) {
        text = *b ? "1" : "0";
      } else if (auto n = std::get_if<std::int64_t>(&v)) {
        text = std::to_string(*n);
      } else if (auto d = std::get_if<double>(&v)) {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, *d);
        text = std::string(buf, res.ptr);
        type = kFloat8Oid;
      } else if (auto s = std::get_if<std::string>(&v)) {
        text = *s;
      } else if (auto blob = std::get_if<Blob>(&v)) {
        text = hexBytes(*blob);
        type = kByteaOid;
      }
      texts.push_back(std::move(text));
      types.push_back(type);
    }
    for (const auto& t : texts) values.push_back(t ? t->c_str() : nullptr);
  }
};

constexpr const char* kRefusedPrefix = "服务器拒绝执行此语句：";
constexpr const char* kFailedTransaction = "事务中有语句失败，数据没有保存";

// A session table the server declares with the schema's types (NVARCHAR(n), DECIMAL(p,s),
// DATETIME) gets them as the PostgreSQL schema stores them; other statements stay as they are.
std::string withSessionTableTypes(std::string_view sql) {
  if (leadingKeyword(sql) != "create" || sessionTableDefinition(sql).name.empty())
    return std::string(sql);
  return withPostgresColumnTypes(sql);
}

class PgConnection final : public Connection {
 public:
  PgConnection(const std::string& url, std::shared_ptr<const SchemaModel> model)
      : model_(std::move(model)) {
    if (!model_) throw std::invalid_argument("openPostgres: no schema model");
    conn_ = PQconnectdb(url.c_str());
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = conn_ ? PQerrorMessage(conn_) : "out of memory";
      PQfinish(conn_);
      throw DbError("无法连接数据库服务器：" + why, ErrorKind::Storage);
    }
    // Notices ("does not exist, skipping") are for a console, not for the server's output.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    runSimple(
        "SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; SET statement_timeout = 0");
    mode_ = Mode::Server;
    const RecordSet rs = query(
        "select quote_ident('qk_client_' || current_database()), "
        "quote_ident(coalesce(current_schema(), 'public')), "
        "current_setting('search_path'), current_setting('lock_timeout')",
        {});
    clientRole_ = std::get<std::string>(rs.rows.at(0).at(0));
    schema_ = std::get<std::string>(rs.rows.at(0).at(1));
    serverSearchPath_ = std::get<std::string>(rs.rows.at(0).at(2));
    // A row another session holds locked fails as Busy after a while, as SQLite's busy timeout
    // does, instead of keeping the request waiting for good; unless the URL's options set one.
    if (std::get<std::string>(rs.rows.at(0).at(3)) == "0") runSimple("SET lock_timeout = '10s'");
  }

  ~PgConnection() override {
    if (conn_ && inTransaction()) PQclear(PQexec(conn_, "ROLLBACK"));
    PQfinish(conn_);
  }

  RecordSet query(std::string_view sql, const Params& params) override {
    if (failedTransaction_) return readAfterFailure([&] { return query(sql, params); });
    enter(Mode::Server);
    PgStatement st = translateForPostgres(sql);
    if (st.replaceRows) replaceOnConflict(st);
    RecordSet rs = run(st, params, false, Keep::All, sql).rows;
    afterServerStatement(sql);
    return rs;
  }

  ExecResult execute(std::string_view sql, const Params& params) override {
    refuseWritesAfterFailure();
    enter(Mode::Server);
    ExecResult r = runExecute(translateForPostgres(withSessionTableTypes(sql)), params, false, sql);
    afterServerStatement(sql);
    return r;
  }

  void script(std::string_view sql) override {
    refuseWritesAfterFailure();
    for (const std::string& statement : splitPostgresScript(sql)) {
      enter(Mode::Server);
      PgStatement st = translateForPostgres(withSessionTableTypes(statement));
      if (st.replaceRows) replaceOnConflict(st);
      run(st, {}, false, Keep::None, statement);
      afterServerStatement(statement);
    }
  }

  RecordSet clientQuery(std::string_view sql, const Params& params) override {
    if (failedTransaction_) return readAfterFailure([&] { return clientQuery(sql, params); });
    PgStatement st = prepareClient(sql);
    if (st.replaceRows) replaceOnConflict(st);
    return run(st, params, true, Keep::All, sql).rows;
  }

  ExecResult clientExecute(std::string_view sql, const Params& params) override {
    refuseWritesAfterFailure();
    return runExecute(prepareClient(sql), params, true, sql);
  }

  void setWritePolicy(WritePolicy policy) override { writePolicy_ = std::move(policy); }

  void setLimits(const StatementLimits& limits) override {
    limits_ = limits;
    if (mode_ == Mode::Client) mode_ = Mode::Unknown;  // the time limit is sent again
  }

  std::vector<TableColumn> tableColumns(std::string_view table) override {
    return model_->tableColumns(table);
  }

  std::string canonicalTableName(std::string_view table) override {
    return model_->canonicalTableName(table);
  }

  Dialect dialect() const override { return Dialect::Postgres; }
  bool isEngineTable(std::string_view table) const override {
    return (table.size() >= 3 && protocol::iequals(table.substr(0, 3), "pg_")) ||
           (table.size() >= 18 && protocol::iequals(table.substr(0, 18), "information_schema"));
  }

  void begin() override {
    failedTransaction_ = false;
    runSimple("BEGIN");
  }

  void commit() override {
    if (failedTransaction_) {
      failedTransaction_ = false;
      throw DbError(kFailedTransaction);
    }
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR) {
      // COMMIT would answer with a silent rollback; the caller must hear that nothing was saved.
      rollback();
      throw DbError(kFailedTransaction);
    }
    try {
      runSimple("COMMIT");
    } catch (...) {
      mode_ = Mode::Unknown;  // a failed commit rolled back the settings made in the transaction
      throw;
    }
  }

  void rollback() override {
    if (failedTransaction_) {
      failedTransaction_ = false;  // already rolled back at the failure
      return;
    }
    if (!inTransaction()) return;
    mode_ = Mode::Unknown;  // the rollback also undoes the role and settings set within it
    runSimple("ROLLBACK");
  }

  bool setStatementRollback(bool on) override { return std::exchange(statementRollback_, on); }

  bool inTransaction() const override {
    if (failedTransaction_) return true;  // to its caller, until its rollback or commit
    const auto status = PQtransactionStatus(conn_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
  }

 private:
  // Who the session is at the moment: the owner for the server's statements, the client role
  // (with its search path and time limit) for clients'. Switched only when the kind changes.
  enum class Mode { Unknown, Server, Client };

  // The rows a statement's caller needs: all (a query), the last (the identity an insert
  // assigned, however many rows it wrote) or none.
  enum class Keep { All, Last, None };

  struct Outcome {
    RecordSet rows;
    std::int64_t changed = 0;  // rows an INSERT, UPDATE or DELETE wrote
    bool wroteRows = false;
  };

  struct Relation {
    std::string name;
    std::map<int, std::string> columns;  // by attribute number
  };

  // In a transaction that failed (and was rolled back at the failure), its caller may still read,
  // for the words of the refusal, in a read-only transaction of its own; writes are refused,
  // since nothing written now could be kept with what came before.
  template <typename Fn>
  RecordSet readAfterFailure(Fn&& read) {
    failedTransaction_ = false;
    RecordSet rs;
    try {
      runSimple("BEGIN READ ONLY");
      rs = read();
    } catch (...) {
      finishReadAfterFailure();
      throw;
    }
    finishReadAfterFailure();
    return rs;
  }
  void finishReadAfterFailure() {
    Result r(PQexec(conn_, "ROLLBACK"));
    mode_ = Mode::Unknown;
    failedTransaction_ = true;
  }
  void refuseWritesAfterFailure() const {
    if (failedTransaction_) throw DbError(kFailedTransaction);
  }

  void runSimple(const std::string& sql) {
    Result r(PQexec(conn_, sql.c_str()));
    const auto status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw errorFrom(r.get(), false);
  }

  void enter(Mode mode) {
    if (mode_ == mode) return;
    const std::string sql =
        mode == Mode::Client
            ? "SET ROLE " + clientRole_ + "; SET search_path = qk_client, " + schema_ +
                  "; SET statement_timeout = " + std::to_string(limits_.timeLimit.count())
            : "RESET ROLE; SET search_path = " + serverSearchPath_ + "; SET statement_timeout = 0";
    mode_ = Mode::Unknown;
    try {
      runSimple(sql);
    } catch (const DbError& e) {
      if (mode != Mode::Client || PQtransactionStatus(conn_) == PQTRANS_INERROR) throw;
      // Most likely the role is missing: preparePostgresDatabase has not run on this database.
      throw DbError("数据库还没有为客户端准备好（" + std::string(e.what()) + "），请联系管理员",
                    ErrorKind::Storage);
    }
    mode_ = mode;
  }

  // A server statement that ends a transaction may have undone the settings made within it.
  void afterServerStatement(std::string_view sql) {
    const std::string word = leadingKeyword(sql);
    if (word == "rollback" || word == "abort" || word == "commit" || word == "end")
      mode_ = Mode::Unknown;
    // A session table the server fills ("##name") is read by the client's statements, which run
    // under the client role.
    if (word != "create") return;
    SessionTableDefinition def = sessionTableDefinition(sql);
    if (def.name.empty()) return;
    runSimple("GRANT ALL ON " + translateForPostgres(def.name).sql + " TO " + clientRole_);
    // Its columns keep the statement's spelling and declared type in results, as on SQLite.
    auto& names = sessionColumns_[protocol::toLower(def.name)];
    for (auto& [name, type] : def.columns) {
      TableColumn& column = names[protocol::toLower(name)];
      column.name = std::move(name);
      column.declaredType = std::move(type);
    }
  }

  PgStatement prepareClient(std::string_view sql) {
    const ClientStatementCheck check = checkClientStatement(sql);
    if (check.blank) throw DbError("SQL 语句为空");
    // Said first: the more telling reason, and the one SQLite's connection gives.
    if (!check.createdTable.empty() && !model_->relationSpelling(check.createdTable).empty())
      throw RefusedError(std::string(kRefusedPrefix) + "临时表不能与数据库中的表或视图同名（" +
                         check.createdTable + "）");
    if (!check.refusal.empty()) throw RefusedError(kRefusedPrefix + check.refusal);
    if (writePolicy_) {
      for (const ClientWrite& w : check.writes) {
        std::string table = model_->relationSpelling(w.table);
        if (table.empty()) table = w.table;
        std::string column = w.column;
        if (const TableColumn* c = model_->column(table, column)) column = c->name;
        if (auto why = writePolicy_(w.kind, table, column))
          throw RefusedError(kRefusedPrefix + *why);
      }
    }
    PgStatement st = translateForPostgres(sql);
    enter(Mode::Client);
    return st;
  }

  ExecResult runExecute(PgStatement st, const Params& params, bool client,
                        std::string_view original) {
    if (st.replaceRows) replaceOnConflict(st);
    // SQLite's last_insert_rowid: the identity the statement assigned, asked for with RETURNING.
    bool asksIdentity = false;
    if (!st.insertTable.empty() && !st.returning) {
      for (const auto& c : model_->tableColumns(st.insertTable)) {
        if (!c.isIdentity) continue;
        st.sql.insert(st.clauseAt, " RETURNING " + protocol::toLower(c.name));
        asksIdentity = true;
        break;
      }
    }
    Outcome out = run(st, params, client, asksIdentity ? Keep::Last : Keep::None, original);
    if (asksIdentity && !out.rows.rows.empty())
      if (auto id = std::get_if<std::int64_t>(&out.rows.rows.back()[0])) lastInsertId_ = *id;
    ExecResult r;
    r.rowsAffected = out.wroteRows ? out.changed : 0;
    r.lastInsertId = lastInsertId_;
    return r;
  }

  // INSERT OR REPLACE: a row whose primary key is taken is overwritten whole, the columns the
  // statement leaves out by their defaults, as SQLite's delete-then-insert does (SQLite replaces
  // on any unique key; here only the primary key counts).
  void replaceOnConflict(PgStatement& st) const {
    std::string key, set;
    for (const auto& c : model_->tableColumns(st.insertTable)) {
      const std::string name = protocol::toLower(c.name);
      if (c.primaryKey)
        key += (key.empty() ? "" : ", ") + name;
      else
        set += (set.empty() ? "" : ", ") + name + " = excluded." + name;
    }
    if (key.empty())
      throw DbError("表 " + st.insertTable + " 没有主键，不能使用 INSERT OR REPLACE");
    const std::string clause =
        " ON CONFLICT (" + key + ") DO " + (set.empty() ? "NOTHING" : "UPDATE SET " + set);
    st.sql.insert(st.clauseAt, clause);
    st.clauseAt += clause.size();
  }

  // Runs one statement. A client's rows arrive one at a time, counted against the limits, so an
  // oversized result is stopped before it is held whole.
  Outcome run(const PgStatement& st, const Params& params, bool client, Keep keep,
              std::string_view original) {
    const BoundParams bound(st.params, params);
    // With statement rollback a failed statement undoes only itself and the transaction goes on,
    // as on SQLite: the statement runs within a savepoint, sent in the same round trip. Not for
    // every statement: each savepoint that writes is a subtransaction, and past 64 in one
    // transaction PostgreSQL's snapshots overflow and slow every session down.
    const bool inTransaction = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
    const bool guarded = statementRollback_ && inTransaction && !controlsTransaction(original);
    std::optional<DbError> failure;
    if (guarded && (!PQenterPipelineMode(conn_) || !sendPlain("SAVEPOINT qk_statement")))
      throw errorFrom(nullptr, client);
    if (!PQsendQueryParams(conn_, st.sql.c_str(), static_cast<int>(bound.values.size()),
                           bound.types.data(), bound.values.data(), nullptr, nullptr, 0))
      throw errorFrom(nullptr, client);
    if (guarded) {
      if (!sendPlain("RELEASE SAVEPOINT qk_statement") || !PQpipelineSync(conn_))
        throw errorFrom(nullptr, client);
      failure = readPlain(client);  // the savepoint's
    }
    if (client) PQsetSingleRowMode(conn_);

    Outcome out;
    std::vector<Oid> types;
    std::vector<std::pair<Oid, int>> origins;  // table and column of each result column
    std::int64_t bytes = 0;
    bool fieldsRead = false;
    while (PGresult* raw = PQgetResult(conn_)) {
      Result r(raw);
      const auto status = PQresultStatus(raw);
      if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
        if (!fieldsRead) {
          const int n = PQnfields(raw);
          out.rows.fields.resize(n);
          for (int c = 0; c < n; ++c) {
            out.rows.fields[c].name = PQfname(raw, c);
            types.push_back(PQftype(raw, c));
            origins.emplace_back(PQftable(raw, c), PQftablecol(raw, c));
          }
          fieldsRead = true;
        }
        if (failure || keep == Keep::None) continue;
        const int cols = PQnfields(raw);
        const int rows = PQntuples(raw);
        if (keep == Keep::Last && rows > 0) out.rows.rows.clear();
        for (int row = keep == Keep::Last ? std::max(0, rows - 1) : 0; row < rows; ++row) {
          protocol::Row cells(cols);
          for (int c = 0; c < cols; ++c) {
            if (PQgetisnull(raw, row, c)) continue;
            const int len = PQgetlength(raw, row, c);
            cells[c] = cellFromText(PQgetvalue(raw, row, c), len, types[c]);
            bytes += static_cast<std::int64_t>(sizeof(Value)) + len;
          }
          out.rows.rows.push_back(std::move(cells));
        }
        if (client && keep == Keep::All) {
          if (auto over = overLimits(out.rows, bytes)) {
            failure = std::move(over);
            out.rows = RecordSet{};
            cancel();
          }
        }
        if (status == PGRES_TUPLES_OK) noteCommand(raw, out);
      } else if (status == PGRES_COMMAND_OK) {
        noteCommand(raw, out);
      } else if (status == PGRES_EMPTY_QUERY) {
        if (!failure) failure = DbError("SQL 语句为空");
      } else if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
        if (!failure) failure = RefusedError(std::string(kRefusedPrefix) + "不支持 COPY");
        if (status == PGRES_COPY_IN) PQputCopyEnd(conn_, "not supported");
        if (status == PGRES_COPY_OUT) {
          char* buffer = nullptr;
          while (PQgetCopyData(conn_, &buffer, 0) > 0) PQfreemem(buffer);
        }
      } else if (status == PGRES_PIPELINE_ABORTED) {
        if (!failure) failure = DbError(kFailedTransaction);
      } else if (!failure) {
        failure = errorFrom(raw, client);
      }
    }
    if (guarded) {
      std::optional<DbError> released = readPlain(client);
      if (!failure) failure = std::move(released);
      finishPipeline();
      if (failure && PQstatus(conn_) != CONNECTION_BAD) {
        // Back to before the statement; should that fail too, the transaction stays failed and
        // its commit says nothing was saved.
        Result r(
            PQexec(conn_, "ROLLBACK TO SAVEPOINT qk_statement; RELEASE SAVEPOINT qk_statement"));
      }
    }
    if (PQstatus(conn_) == CONNECTION_BAD && !failure) failure = errorFrom(nullptr, client);
    if (failure && !guarded && inTransaction && !failedTransaction_ &&
        PQtransactionStatus(conn_) == PQTRANS_INERROR) {
      // PostgreSQL takes nothing more in this transaction: it ends here, and what follows of it
      // only reads (see the failed-transaction state below).
      Result r(PQexec(conn_, "ROLLBACK"));
      mode_ = Mode::Unknown;
      failedTransaction_ = true;
    }
    if (failure) {
      if (client) releaseFreedMemory();
      throw *failure;
    }
    describeFields(out.rows, types, origins, original);
    return out;
  }

  static bool controlsTransaction(std::string_view sql) {
    const std::string word = leadingKeyword(sql);
    for (const char* w : {"begin", "start", "commit", "end", "rollback", "abort", "savepoint",
                          "release", "prepare"})
      if (word == w) return true;
    return false;
  }

  // A statement without parameters sent within a pipeline, and the reading of its results.
  bool sendPlain(const char* sql) {
    return PQsendQueryParams(conn_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
  }
  std::optional<DbError> readPlain(bool client) {
    std::optional<DbError> failure;
    while (PGresult* raw = PQgetResult(conn_)) {
      Result r(raw);
      const auto status = PQresultStatus(raw);
      if (status == PGRES_PIPELINE_ABORTED) {
        if (!failure) failure = DbError(kFailedTransaction);
      } else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && !failure) {
        failure = errorFrom(raw, client);
      }
    }
    return failure;
  }

  // Reads up to the pipeline's sync and leaves pipeline mode.
  void finishPipeline() {
    for (int ends = 0; ends < 3 && PQstatus(conn_) != CONNECTION_BAD;) {
      Result r(PQgetResult(conn_));
      if (!r)
        ++ends;  // the end of a statement's results; the sync follows the last one
      else if (PQresultStatus(r.get()) == PGRES_PIPELINE_SYNC)
        break;
    }
    PQexitPipelineMode(conn_);
  }

  static void noteCommand(PGresult* r, Outcome& out) {
    const std::string status = PQcmdStatus(r);
    for (const char* verb : {"INSERT", "UPDATE", "DELETE", "MERGE"})
      if (status.rfind(verb, 0) == 0) out.wroteRows = true;
    const char* tuples = PQcmdTuples(r);
    out.changed = tuples && *tuples ? std::atoll(tuples) : 0;
  }

  void cancel() {
    if (PGcancel* c = PQgetCancel(conn_)) {
      char why[256];
      PQcancel(c, why, sizeof why);
      PQfreeCancel(c);
    }
  }

  std::optional<DbError> overLimits(const RecordSet& rs, std::int64_t bytes) const {
    if (static_cast<std::int64_t>(rs.rows.size()) > limits_.maxRows)
      return DbError("查询结果超过 " + std::to_string(limits_.maxRows) + " 行，请增加查询条件",
                     ErrorKind::Refused);
    if (bytes > limits_.maxBytes)
      return DbError("查询结果超过 " + std::to_string(limits_.maxBytes >> 20) +
                         " MB，请增加查询条件或减少查询的字段",
                     ErrorKind::Refused);
    return std::nullopt;
  }

  // Names and types of the result columns as SQLite gives them: a table's column by the
  // schema's spelling and declared type; a computed one by its alias as written; else the
  // schema's spelling of the name; else PostgreSQL's.
  void describeFields(RecordSet& rs, const std::vector<Oid>& types,
                      const std::vector<std::pair<Oid, int>>& origins, std::string_view sql) {
    std::optional<std::map<std::string, std::string>> aliases;
    for (std::size_t c = 0; c < rs.fields.size(); ++c) {
      FieldDef& f = rs.fields[c];
      const std::string reported = f.name;
      const TableColumn* column = nullptr;
      if (origins[c].first != 0) {
        const Relation& rel = relation(origins[c].first);
        auto it = rel.columns.find(origins[c].second);
        if (it != rel.columns.end()) column = model_->column(rel.name, it->second);
        if (it != rel.columns.end() && !column) column = sessionColumn(rel.name, it->second);
      }
      // A view's computed column declares no type: its values decide, as on SQLite.
      if (column && !column->declaredType.empty()) {
        f.type = fieldTypeFromDeclaration(column->declaredType, &f.size);
      } else {
        f.type = fieldTypeFromOid(types[c]);
        f.size = 0;
        // A computed numeric: its first value decides, as SQLite's storage class does.
        if (types[c] == kNumericOid)
          for (const auto& row : rs.rows)
            if (!protocol::isNull(row[c])) {
              if (std::holds_alternative<std::int64_t>(row[c])) f.type = FieldType::Integer;
              break;
            }
      }
      if (!aliases) aliases = aliasSpellings(sql);
      if (auto a = aliases->find(reported); a != aliases->end()) {
        f.name = a->second;
      } else if (column && protocol::iequals(column->name, reported)) {
        f.name = column->name;
      } else if (std::string spelled = model_->nameSpelling(reported); !spelled.empty()) {
        f.name = spelled;
      }
      if (f.type == FieldType::Boolean || f.type == FieldType::Decimal ||
          f.type == FieldType::Float)
        for (auto& row : rs.rows) row[c] = asDeclared(std::move(row[c]), f.type);
    }
  }

  const TableColumn* sessionColumn(const std::string& table, const std::string& column) const {
    auto t = sessionColumns_.find(table);
    if (t == sessionColumns_.end()) return nullptr;
    auto c = t->second.find(column);
    return c == t->second.end() ? nullptr : &c->second;
  }

  // The name of a table and its columns by OID, read once per connection.
  const Relation& relation(Oid oid) {
    auto it = relations_.find(oid);
    if (it != relations_.end()) return it->second;
    Relation rel;
    const std::string id = std::to_string(oid);
    const char* values[] = {id.c_str()};
    Result r(PQexecParams(conn_,
                          "select c.relname, a.attnum, a.attname from pg_class c join pg_attribute "
                          "a on a.attrelid = c.oid where c.oid = $1::oid and a.attnum > 0",
                          1, nullptr, values, nullptr, nullptr, 0));
    if (r && PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
      for (int row = 0; row < PQntuples(r.get()); ++row) {
        rel.name = PQgetvalue(r.get(), row, 0);
        rel.columns[std::atoi(PQgetvalue(r.get(), row, 1))] = PQgetvalue(r.get(), row, 2);
      }
    }
    return relations_.emplace(oid, std::move(rel)).first->second;
  }

  std::string spelledColumn(const std::string& table, const std::string& column) const {
    if (const TableColumn* c = model_->column(table, column)) return c->name;
    const std::string spelled = model_->nameSpelling(column);
    return spelled.empty() ? column : spelled;
  }

  // Classifies a failure by its SQLSTATE. Constraint failures keep PostgreSQL's words and name
  // the table and columns as the schema spells them; the others get a text for the user.
  DbError errorFrom(const PGresult* r, bool client) const {
    const std::string state = errorField(r, PG_DIAG_SQLSTATE);
    std::string message = errorField(r, PG_DIAG_MESSAGE_PRIMARY);
    if (message.empty()) message = PQerrorMessage(conn_);
    if (state.empty() || state.rfind("08", 0) == 0 || PQstatus(conn_) == CONNECTION_BAD)
      return DbError("与数据库服务器的连接中断，请联系管理员（" + message + "）",
                     ErrorKind::Storage);
    auto constraint = [&](ErrorKind kind) {
      const std::string rawTable = errorField(r, PG_DIAG_TABLE_NAME);
      std::string table = model_->relationSpelling(rawTable);
      if (table.empty()) table = rawTable;
      std::vector<std::string> columns;
      if (std::string col = errorField(r, PG_DIAG_COLUMN_NAME); !col.empty())
        columns.push_back(col);
      else
        columns = keyColumns(errorField(r, PG_DIAG_MESSAGE_DETAIL));
      for (auto& c : columns) c = spelledColumn(table, c);
      return DbError(message, kind, std::move(table), std::move(columns));
    };
    if (state == "23505") return constraint(ErrorKind::Duplicate);
    if (state == "23502") return constraint(ErrorKind::NotNull);
    if (state == "23503" || state == "23514") return constraint(ErrorKind::Constraint);
    if (state == "22001") return constraint(ErrorKind::TooLong);
    // A rule of the schema (qk_refuse), worded there for the user.
    if (state == "P0001") return DbError(message, ErrorKind::Refused);
    if (state == "42501")
      return DbError(std::string(kRefusedPrefix) + "没有权限（" + message + "）",
                     ErrorKind::Refused);
    if (state == "40001" || state == "40P01")
      return DbError("数据库正被其他程序占用，请稍后重试", ErrorKind::Busy).setLostToAnother();
    if (state == "55P03") return DbError("数据库正被其他程序占用，请稍后重试", ErrorKind::Busy);
    if (state == "53100")
      return DbError("服务器磁盘空间已满，数据没有保存，请联系管理员", ErrorKind::DiskFull);
    if (state.rfind("58", 0) == 0 || state.rfind("XX", 0) == 0)
      return DbError("读写数据库时发生错误，数据没有保存（" + state + "），请联系管理员",
                     ErrorKind::Storage);
    if (state == "57014") {
      if (client)
        return DbError("语句执行超过 " + std::to_string(limits_.timeLimit.count() / 1000) +
                           " 秒，已被中止，请增加查询条件后重试",
                       ErrorKind::Refused);
      return DbError("语句已被中止");
    }
    return DbError(message);
  }

  PGconn* conn_ = nullptr;
  std::shared_ptr<const SchemaModel> model_;
  std::string clientRole_;        // quoted, ready for SET ROLE
  std::string schema_;            // the schema's name, quoted
  std::string serverSearchPath_;  // as the server's statements find names
  Mode mode_ = Mode::Unknown;
  WritePolicy writePolicy_;
  StatementLimits limits_;
  std::int64_t lastInsertId_ = 0;
  bool statementRollback_ = false;
  bool failedTransaction_ = false;  // a statement of the caller's transaction failed: see above
  std::map<Oid, Relation> relations_;
  // The columns of the session tables the server made ("##name"), as its statements spell and
  // declare them; by lower-case table and column name.
  std::map<std::string, std::map<std::string, TableColumn>> sessionColumns_;
};

}  // namespace

std::unique_ptr<Connection> openPostgres(const std::string& url,
                                         std::shared_ptr<const SchemaModel> model) {
  return std::make_unique<PgConnection>(url, std::move(model));
}

bool postgresUrlHasPassword(const std::string& url) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(url.c_str(), &error);
  if (!options) {
    const std::string why = error ? error : "out of memory";
    PQfreemem(error);
    throw std::invalid_argument("无法识别数据库地址：" + why);
  }
  bool found = false;
  for (const PQconninfoOption* o = options; o->keyword; ++o)
    if (std::string_view(o->keyword) == "password" && o->val && *o->val) found = true;
  PQconninfoFree(options);
  return found;
}

void preparePostgresDatabase(Connection& owner) {
  owner.script(R"sql(
DO $qk$
DECLARE
  r text := 'qk_client_' || current_database();
  s text := current_schema();
  t record;
  cols text;
  viewCols text;
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = left(r, 63)) THEN
    EXECUTE format('CREATE ROLE %I NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOINHERIT '
                   'NOREPLICATION NOBYPASSRLS', r);
  END IF;
  -- The owner switches to the role for clients' statements.
  IF NOT pg_has_role(current_user, left(r, 63), 'MEMBER') THEN
    EXECUTE format('GRANT %I TO %I', r, current_user);
  END IF;
  EXECUTE format('REVOKE ALL ON SCHEMA %I FROM %I', s, r);
  EXECUTE format('REVOKE CREATE ON SCHEMA %I FROM PUBLIC', s);
  EXECUTE format('GRANT USAGE ON SCHEMA %I TO %I', s, r);
  EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA %I TO %I', s, r);
  EXECUTE format('GRANT USAGE ON ALL SEQUENCES IN SCHEMA %I TO %I', s, r);
  FOR t IN SELECT c.relname FROM pg_class c
           WHERE c.relnamespace = s::regnamespace AND c.relname LIKE 'qk\_%'
             AND c.relkind IN ('r', 'v', 'm', 'p', 'S', 'f') LOOP
    EXECUTE format('REVOKE ALL ON %I.%I FROM %I', s, t.relname, r);
  END LOOP;

  IF to_regclass(format('%I.sys_user', s)) IS NOT NULL THEN
    SELECT string_agg(quote_ident(attname), ', ' ORDER BY attnum) FILTER (WHERE attname <> 'pwd'),
           string_agg(CASE WHEN attname = 'pwd'
                           THEN format('NULL::%s AS pwd', format_type(atttypid, atttypmod))
                           ELSE quote_ident(attname) END, ', ' ORDER BY attnum)
      INTO cols, viewCols
      FROM pg_attribute
     WHERE attrelid = format('%I.sys_user', s)::regclass AND attnum > 0 AND NOT attisdropped;
    -- The password column is neither readable nor writable by the role.
    EXECUTE format('REVOKE SELECT, UPDATE ON %I.sys_user FROM %I', s, r);
    EXECUTE format('GRANT SELECT (%s), UPDATE (%s) ON %I.sys_user TO %I', cols, cols, s, r);
    -- Clients find this view first on their search path: "select * from sys_user" works and
    -- gives null for the password, as on SQLite.
    CREATE SCHEMA IF NOT EXISTS qk_client;
    EXECUTE format('REVOKE ALL ON SCHEMA qk_client FROM PUBLIC');
    EXECUTE format('GRANT USAGE ON SCHEMA qk_client TO %I', r);
    DROP VIEW IF EXISTS qk_client.sys_user;
    EXECUTE format('CREATE VIEW qk_client.sys_user AS SELECT %s FROM %I.sys_user', viewCols, s);
    EXECUTE format('GRANT SELECT, INSERT, DELETE, UPDATE (%s) ON qk_client.sys_user TO %I',
                   cols, r);
  END IF;
END
$qk$)sql");
}

}  // namespace qk::db
