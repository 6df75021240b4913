// The database interface of the server. Providers, procedures, change-set writing and the
// protocol handlers see only this; everything particular to one engine (SQLite today: its
// functions, authorizer and dialect rewrites) stays behind it, so another backend can be added
// without touching them.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/wire.h"

namespace qk::db {

using protocol::ExecResult;
using protocol::FieldDef;
using protocol::Params;
using protocol::RecordSet;
using protocol::Value;

// What went wrong, as far as callers need to know: they decide on the kind, never on the text.
enum class ErrorKind {
  Duplicate,   // a unique or primary key already holds the value
  NotFound,    // an update or delete found no row (raised by the change writer)
  NotNull,     // a column that must hold a value was left empty
  Constraint,  // another constraint: CHECK, FOREIGN KEY
  Busy,        // the database is locked by someone else
  Refused,     // the guard, the server's rules or a trigger of the schema refuse the statement
  DiskFull,
  Storage,  // the file cannot be written or read: read-only, I/O error, damaged
  TooLong,  // a text longer than its column's size
  Other,
};

// A failed statement. what() is a text for the user, except that a constraint failure keeps the
// engine's own words: its kind, table() and columns() (as the schema spells them) say what
// failed, and callers phrase it for the user from those.
class DbError;
// A refusal the user reads as it stands (a rule of the system, not a failure).
DbError refusal(std::string text);

class DbError : public std::runtime_error {
 public:
  explicit DbError(const std::string& message, ErrorKind kind = ErrorKind::Other,
                   std::string table = {}, std::vector<std::string> columns = {})
      : std::runtime_error(message),
        kind_(kind),
        table_(std::move(table)),
        columns_(std::move(columns)) {}
  ErrorKind kind() const noexcept { return kind_; }
  const std::string& table() const noexcept { return table_; }
  const std::vector<std::string>& columns() const noexcept { return columns_; }
  // The transaction lost to another one at the same time (a deadlock, a serialization failure)
  // and was rolled back by the engine: run again, it will most likely go through.
  bool lostToAnother() const noexcept { return lostToAnother_; }
  DbError& setLostToAnother() noexcept {
    lostToAnother_ = true;
    return *this;
  }

 private:
  ErrorKind kind_;
  bool lostToAnother_ = false;
  std::string table_;
  std::vector<std::string> columns_;
};

inline DbError refusal(std::string text) {
  return DbError(std::move(text), ErrorKind::Refused);
}

// A statement refused before it ran (several statements, DDL on the main schema, ATTACH ...).
class RefusedError : public DbError {
 public:
  explicit RefusedError(const std::string& message) : DbError(message, ErrorKind::Refused) {}
};

struct TableColumn {
  std::string name;
  std::string declaredType;
  bool primaryKey = false;
  bool isIdentity = false;  // INTEGER PRIMARY KEY: the database assigns it when left null
  int size = 0;             // characters a text column holds; 0 when not limited
};

// A write a client statement is about to make in the main database.
enum class WriteKind { Insert, Update, Delete };
// Says why a client statement may not make that write, or nothing when it may. `column` names the
// column of an update (empty otherwise). It is asked while the statement is being prepared, so it
// must answer from what it already knows and never use the connection it guards.
using WritePolicy = std::function<std::optional<std::string>(WriteKind kind, std::string_view table,
                                                             std::string_view column)>;

// What one client statement may cost the server. A result beyond maxRows rows or maxBytes bytes
// fails instead of growing without bound; a statement still running after timeLimit is stopped.
struct StatementLimits {
  std::int64_t maxRows = 200000;
  std::int64_t maxBytes = std::int64_t{64} << 20;
  std::chrono::milliseconds timeLimit{30000};
};

// The engine behind a connection, for the few statements of the server that must differ.
enum class Dialect { Sqlite, Postgres };

class Connection {
 public:
  virtual ~Connection() = default;

  virtual Dialect dialect() const = 0;

  // Statements written by the server itself: run as given, several statements allowed in
  // script(); parameters ":name" bound from params.
  //
  // Every statement that writes the main database waits for its turn in the per-file writer
  // queue (a transaction holds the turn from begin() to its end); statements that write only the
  // session's temporary tables never wait.
  virtual RecordSet query(std::string_view sql, const Params& params = {}) = 0;
  virtual ExecResult execute(std::string_view sql, const Params& params = {}) = 0;
  virtual void script(std::string_view sql) = 0;

  // Statements sent by a client: translated from the client's dialect, exactly one statement,
  // checked by the guard (on every step, so also when SQLite prepares it again) that refuses
  // schema changes, triggers, views, ATTACH, VACUUM, PRAGMA writes and functions outside an
  // allow-list, and bounded by the statement limits.
  virtual RecordSet clientQuery(std::string_view sql, const Params& params) = 0;
  virtual ExecResult clientExecute(std::string_view sql, const Params& params) = 0;
  // Who may write what through client statements (a session's rights). Installing one forgets
  // the client statements prepared under the one before.
  virtual void setWritePolicy(WritePolicy policy) = 0;
  // Bounds on client statements (the defaults above until set); the server's own statements are
  // not bounded.
  virtual void setLimits(const StatementLimits& limits) = 0;

  // Columns of a table or view of the main schema; empty when there is no such table.
  virtual std::vector<TableColumn> tableColumns(std::string_view table) = 0;
  // The table's name as the schema spells it, or empty when there is none.
  virtual std::string canonicalTableName(std::string_view table) = 0;
  // Tables the database engine keeps for itself; nobody but the engine writes them.
  virtual bool isEngineTable(std::string_view table) const = 0;

  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool inTransaction() const = 0;

  // Inside a transaction, what a failed statement leaves. With this on, it undoes only itself
  // and the transaction goes on (what SQLite always does): for callers that keep writing after a
  // refused row. Off (the default), an engine may end the transaction at the failure: on
  // PostgreSQL the rest of it can still read, for the words of the refusal, but not write, and
  // its commit fails. Answers whether it was on before.
  virtual bool setStatementRollback(bool on) {
    (void)on;
    return false;
  }
};

// Statement rollback (above) for a scope.
class StatementRollback {
 public:
  explicit StatementRollback(Connection& c, bool on = true) : c_(c), on_(on) {
    if (on_) before_ = c_.setStatementRollback(true);
  }
  StatementRollback(const StatementRollback&) = delete;
  StatementRollback& operator=(const StatementRollback&) = delete;
  ~StatementRollback() {
    if (on_) c_.setStatementRollback(before_);
  }

 private:
  Connection& c_;
  bool on_;
  bool before_ = false;
};

// Scoped transaction: commit explicitly; the destructor rolls back what was not committed.
class Transaction {
 public:
  explicit Transaction(Connection& c) : c_(c) { c_.begin(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() {
    if (!done_) {
      try {
        c_.rollback();
      } catch (...) {  // a destructor must not throw; the connection reports the next use
      }
    }
  }
  void commit() {
    c_.commit();
    done_ = true;
  }

 private:
  Connection& c_;
  bool done_ = false;
};

enum class OpenMode { Existing, Create };

// Opens the account set's database file. Create makes a new, empty file and fails when one
// exists already; Existing fails when there is none.
std::unique_ptr<Connection> openSqlite(const std::filesystem::path& file, OpenMode mode);

// A large result, once sent or given up, leaves many small blocks free; this hands them back to
// the system rather than keep the peak of the largest query for the life of the process.
void releaseFreedMemory();

}  // namespace qk::db
