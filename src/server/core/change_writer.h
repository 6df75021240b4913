// Writes a dataset's change log to one table: inserts, updates found by the OLD values of the
// key fields, and deletes. Only columns the table has are written, so view-only fields of a
// dataset read from a view are ignored; names match case-insensitively.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/db/connection.h"

namespace qk::server {

class ChangeWriter {
 public:
  // keys: the key field names; empty names are ignored. With no key at all the table's primary
  // key is used, and without one every old value identifies the row.
  ChangeWriter(db::Connection& db, std::string_view table, std::vector<std::string> keys);

  // Throws db::DbError with a text for the user, in captions, when the row cannot be written:
  // a text longer than its column holds (TooLong), a duplicate key or missing value, or an
  // update or delete that finds no row, changed or removed by someone else meanwhile (NotFound).
  void apply(const protocol::Change& change);

  // Writes a change log's rows in writeOrder() as apply() writes each, and throws as apply()
  // does for the first row that cannot be written. Consecutive inserts of the same columns reach
  // the database as one statement, so that its statement triggers see a document's lines at
  // once; when that statement fails, its rows are written again one at a time to find the row
  // refused and say what is wrong with it.
  void applyAll(const protocol::Delta& delta);

  const std::string& table() const { return table_; }

 private:
  // The columns and values an insert writes.
  struct Row {
    std::vector<const db::TableColumn*> columns;
    std::vector<protocol::Value> values;
    const protocol::Change* change = nullptr;
  };

  const db::TableColumn* column(std::string_view name) const;
  Row insertRow(const protocol::Change& change) const;
  std::string insertSql(std::span<const Row> rows, protocol::Params& params) const;
  void insertTogether(const std::vector<Row>& rows);
  protocol::ExecResult run(const std::string& sql, const protocol::Params& params,
                           const protocol::Change& change);
  std::string whereClause(const protocol::NamedValues& old, protocol::Params& params) const;
  protocol::Value storedValue(const db::TableColumn& col, const protocol::Value& v) const;

  db::Connection& db_;
  std::string table_;
  std::vector<db::TableColumn> columns_;
  std::vector<const db::TableColumn*> keys_;
  bool matchAll_ = false;
};

// The order in which a change log's rows are written: deletes, then updates, then inserts, each
// as logged. Lines are renumbered downwards into the places deleted lines leave, and new lines
// take the numbers at the end, so none of them meets a row that is about to move.
std::vector<std::size_t> writeOrder(const protocol::Delta& delta);

// Name of a table clients may write, as the schema spells it; throws when there is none or it
// belongs to the server itself.
std::string writableTable(db::Connection& db, std::string_view table);

}  // namespace qk::server
