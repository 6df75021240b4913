#include "server/core/change_writer.h"

#include "server/core/captions.h"
#include "server/core/rights_map.h"

namespace qk::server {

using protocol::Change;
using protocol::ChangeOp;
using protocol::iequals;
using protocol::NamedValues;
using protocol::Params;
using protocol::Value;

namespace {

std::string quoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// The password is set by the server's password method only: a change log never writes it,
// whatever it holds, nor finds rows by it.
bool isPasswordColumn(std::string_view table, std::string_view column) {
  const TableRights* t = findTableRights(table);
  return t && !t->passwordColumn.empty() && iequals(column, t->passwordColumn);
}

// The main database's table, so that a temporary table or view of the session named like it
// cannot take the rows instead.
std::string mainTable(std::string_view name) {
  return "main." + quoteName(name);
}

// Characters of UTF-8 text, the unit of a text column's size.
std::size_t characters(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// Rows of one insert statement: few enough values for either engine's limit on parameters.
constexpr std::size_t kRowsTogether = 200;
constexpr std::size_t kValuesTogether = 2000;

// What a failed insert of many rows may owe to one of them, so that writing them one at a time
// finds it. A busy or full database, or a deadlock the server runs the save again for, is said as
// it is.
bool refusedRow(const db::DbError& e) {
  switch (e.kind()) {
    case db::ErrorKind::Busy:
    case db::ErrorKind::DiskFull:
    case db::ErrorKind::Storage:
      return false;
    default:
      return !e.lostToAnother();
  }
}

}  // namespace

std::vector<std::size_t> writeOrder(const protocol::Delta& delta) {
  std::vector<std::size_t> order;
  order.reserve(delta.rows.size());
  for (std::size_t i = 0; i < delta.rows.size(); ++i)
    if (delta.rows[i].op == ChangeOp::Delete) order.push_back(i);
  for (std::size_t i = 0; i < delta.rows.size(); ++i)
    if (delta.rows[i].op == ChangeOp::Update) order.push_back(i);
  for (std::size_t i = 0; i < delta.rows.size(); ++i)
    if (delta.rows[i].op == ChangeOp::Insert) order.push_back(i);
  return order;
}

std::string writableTable(db::Connection& db, std::string_view table) {
  if (table.empty()) throw db::DbError("没有指定要更新的表");
  const std::string name = db.canonicalTableName(table);
  if (name.empty()) throw db::DbError("表 " + std::string(table) + " 不存在");
  if (name.rfind("qk_", 0) == 0 || db.isEngineTable(name))
    throw db::DbError("不允许修改服务器内部表 " + name, db::ErrorKind::Refused);
  return name;
}

ChangeWriter::ChangeWriter(db::Connection& db, std::string_view table,
                           std::vector<std::string> keys)
    : db_(db), table_(writableTable(db, table)), columns_(db.tableColumns(table_)) {
  for (const auto& k : keys) {
    if (k.empty()) continue;
    const db::TableColumn* col = column(k);
    if (!col) throw db::DbError("表 " + table_ + " 没有关键字段 " + k);
    keys_.push_back(col);
  }
  if (keys_.empty()) {
    for (const auto& c : columns_)
      if (c.primaryKey) keys_.push_back(&c);
  }
  matchAll_ = keys_.empty();
}

const db::TableColumn* ChangeWriter::column(std::string_view name) const {
  for (const auto& c : columns_)
    if (iequals(c.name, name)) return &c;
  return nullptr;
}

Value ChangeWriter::storedValue(const db::TableColumn& col, const Value& v) const {
  // The database would keep a longer text whole; the column's size is a promise to every reader.
  if (auto text = std::get_if<std::string>(&v); text && col.size > 0) {
    if (const std::size_t n = characters(*text); n > static_cast<std::size_t>(col.size))
      throw db::DbError("“" + Captions(db_).column(table_, col.name) + "”最多 " +
                            std::to_string(col.size) + " 个字符（输入了 " + std::to_string(n) +
                            " 个）",
                        db::ErrorKind::TooLong, table_, {col.name});
  }
  return v;
}

std::string ChangeWriter::whereClause(const NamedValues& old, Params& params) const {
  std::string where;
  auto add = [&](const db::TableColumn& col, const Value& v, bool nullSafe) {
    const std::string p = "k" + std::to_string(params.size());
    where += where.empty() ? " where " : " and ";
    where += quoteName(col.name) + (nullSafe ? " is not distinct from :" : " = :") + p;
    params[p] = v;
  };
  if (matchAll_) {
    for (const auto& c : columns_) {
      auto it = old.find(c.name);
      if (it != old.end() && !isPasswordColumn(table_, c.name)) add(c, it->second, true);
    }
    if (where.empty()) throw db::DbError("无法确定表 " + table_ + " 中要修改的记录");
    return where;
  }
  for (const auto* k : keys_) {
    auto it = old.find(k->name);
    if (it == old.end() || protocol::isNull(it->second))
      throw db::DbError("表 " + table_ + " 的记录缺少关键字段 " + k->name + " 的原值");
    add(*k, it->second, false);
  }
  return where;
}

ChangeWriter::Row ChangeWriter::insertRow(const Change& change) const {
  Row row;
  row.change = &change;
  for (const auto& c : columns_) {
    auto it = change.newValues.find(c.name);
    if (it == change.newValues.end() || isPasswordColumn(table_, c.name)) continue;
    if (c.isIdentity && protocol::isNull(it->second)) continue;  // the database assigns it
    row.columns.push_back(&c);
    row.values.push_back(storedValue(c, it->second));
  }
  // A row with nothing the table holds is a mistake of the caller, not an empty row.
  if (row.columns.empty()) throw db::DbError("要新增的记录没有表 " + table_ + " 的任何字段");
  return row;
}

std::string ChangeWriter::insertSql(std::span<const Row> rows, Params& params) const {
  std::string sql = "insert into " + mainTable(table_) + " (";
  const auto& columns = rows.front().columns;
  for (std::size_t i = 0; i < columns.size(); ++i)
    sql += (i == 0 ? "" : ", ") + quoteName(columns[i]->name);
  sql += ") values ";
  for (const Row& row : rows) {
    sql += &row == &rows.front() ? "(" : ", (";
    for (std::size_t i = 0; i < row.values.size(); ++i) {
      const std::string p = "v" + std::to_string(params.size());
      sql += (i == 0 ? ":" : ", :") + p;
      params[p] = row.values[i];
    }
    sql += ')';
  }
  return sql;
}

protocol::ExecResult ChangeWriter::run(const std::string& sql, const Params& params,
                                       const Change& change) {
  try {
    return db_.execute(sql, params);
  } catch (const db::DbError& e) {
    // The values the row was to have: those written, else those it had.
    NamedValues values = change.newValues;
    values.insert(change.oldValues.begin(), change.oldValues.end());
    throw inUsersWords(db_, e, values);
  }
}

void ChangeWriter::insertTogether(const std::vector<Row>& rows) {
  if (rows.size() > 1) {
    Params params;
    const std::string sql = insertSql(rows, params);
    try {
      // A refusal undoes this statement only, so the rows can be written again one by one.
      const db::StatementRollback onlyThis(db_);
      db_.execute(sql, params);
      return;
    } catch (const db::DbError& e) {
      if (!refusedRow(e)) throw;
    }
  }
  for (const Row& row : rows) {
    Params params;
    run(insertSql({&row, 1}, params), params, *row.change);
  }
}

void ChangeWriter::applyAll(const protocol::Delta& delta) {
  std::vector<Row> together;
  std::size_t values = 0;
  auto write = [&] {
    if (!together.empty()) insertTogether(together);
    together.clear();
    values = 0;
  };
  for (std::size_t i : writeOrder(delta)) {
    const Change& change = delta.rows[i];
    if (change.op != ChangeOp::Insert) {
      write();
      apply(change);
      continue;
    }
    Row row;
    try {
      row = insertRow(change);
    } catch (const db::DbError&) {
      write();  // the rows before it are written, or refused, first
      throw;
    }
    if (!together.empty() &&
        (together.front().columns != row.columns || together.size() == kRowsTogether ||
         values + row.values.size() > kValuesTogether))
      write();
    values += row.values.size();
    together.push_back(std::move(row));
  }
  write();
}

void ChangeWriter::apply(const Change& change) {
  Params params;
  std::string sql;
  switch (change.op) {
    case ChangeOp::Insert: {
      const Row row = insertRow(change);
      sql = insertSql({&row, 1}, params);
      break;
    }
    case ChangeOp::Update: {
      std::string sets;
      for (const auto& c : columns_) {
        auto it = change.newValues.find(c.name);
        if (it == change.newValues.end() || isPasswordColumn(table_, c.name)) continue;
        auto old = change.oldValues.find(c.name);
        if (old != change.oldValues.end() && old->second == it->second) continue;  // unchanged
        const std::string p = "v" + std::to_string(params.size());
        sets += (sets.empty() ? "" : ", ") + quoteName(c.name) + " = :" + p;
        params[p] = storedValue(c, it->second);
      }
      if (sets.empty()) return;  // nothing the table holds has changed
      sql = "update " + mainTable(table_) + " set " + sets + whereClause(change.oldValues, params);
      break;
    }
    case ChangeOp::Delete:
      sql = "delete from " + mainTable(table_) + whereClause(change.oldValues, params);
      break;
  }
  const protocol::ExecResult r = run(sql, params, change);
  if (change.op != ChangeOp::Insert && r.rowsAffected == 0)
    throw db::DbError(Captions(db_).table(table_) + "中要" +
                          (change.op == ChangeOp::Update ? "修改" : "删除") +
                          "的记录不存在，可能已被其他用户修改或删除，请刷新后重试",
                      db::ErrorKind::NotFound, table_);
}

}  // namespace qk::server
