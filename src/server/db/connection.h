// The database interface of the server. Providers, procedures, change-set writing and the
// protocol handlers see only this; everything particular to one engine (SQLite today: its
// functions, authorizer and dialect rewrites) stays behind it, so another backend can be added
// without touching them.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/wire.h"

namespace qk::db {

using protocol::ExecResult;
using protocol::FieldDef;
using protocol::Params;
using protocol::RecordSet;
using protocol::Value;

// A failed statement; what() is the database's message, shown to the user unchanged.
class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A statement refused before it ran (several statements, DDL on the main schema, ATTACH ...).
class RefusedError : public DbError {
 public:
  using DbError::DbError;
};

struct TableColumn {
  std::string name;
  std::string declaredType;
  bool primaryKey = false;
  bool isIdentity = false;  // INTEGER PRIMARY KEY: the database assigns it when left null
};

class Connection {
 public:
  virtual ~Connection() = default;

  // Statements written by the server itself: run as given, several statements allowed in
  // script(); parameters ":name" bound from params.
  virtual RecordSet query(std::string_view sql, const Params& params = {}) = 0;
  virtual ExecResult execute(std::string_view sql, const Params& params = {}) = 0;
  virtual void script(std::string_view sql) = 0;

  // Statements sent by a client: translated from the client's dialect, exactly one statement,
  // and checked by the guard that refuses schema changes, ATTACH, PRAGMA writes and extensions.
  virtual RecordSet clientQuery(std::string_view sql, const Params& params) = 0;
  virtual ExecResult clientExecute(std::string_view sql, const Params& params) = 0;

  // Columns of a table or view of the main schema; empty when there is no such table.
  virtual std::vector<TableColumn> tableColumns(std::string_view table) = 0;
  // The table's name as the schema spells it, or empty when there is none.
  virtual std::string canonicalTableName(std::string_view table) = 0;

  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool inTransaction() const = 0;

  // Whether a failed statement was refused for a duplicate key (callers may retry).
  virtual bool lastErrorWasConstraint() const = 0;
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

}  // namespace qk::db
