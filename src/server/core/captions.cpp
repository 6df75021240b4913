#include "server/core/captions.h"

namespace qk::server {

std::string Captions::first(std::string_view sql, std::string_view table,
                            std::string_view column) const {
  try {
    const auto rs = db_.query(sql, {{"t", std::string(table)}, {"f", std::string(column)}});
    if (rs.rows.empty()) return {};
    return protocol::toDisplayText(rs.rows[0][0]);
  } catch (const db::DbError&) {
    return {};  // a database without the layout tables still gets the raw names
  }
}

std::string Captions::table(std::string_view table) const {
  const std::string caption = first(
      "select caption from ("
      " select tableCName as caption, 1 as rank from main.sys_col where tableName = :t"
      " union all select caption, 2 from main.qk_caption where tableName = :t and fieldName = ''"
      ") where trim(coalesce(caption, '')) <> '' order by rank limit 1",
      table, "");
  return caption.empty() ? std::string(table) : caption;
}

std::string Captions::column(std::string_view table, std::string_view column) const {
  std::string caption = first(
      "select caption from ("
      " select coalesce(nullif(trim(fieldCName), ''), defaultName) as caption, 1 as rank"
      "  from main.sys_col where tableName = :t and fieldName = :f"
      " union all select caption, 2 from main.qk_caption where tableName = :t and fieldName = :f"
      " union all select caption, 3 from main.qk_caption where tableName = '' and fieldName = :f"
      ") where trim(coalesce(caption, '')) <> '' order by rank limit 1",
      table, column);
  if (auto bar = caption.rfind('|'); bar != std::string::npos) caption.erase(0, bar + 1);
  return caption.empty() ? std::string(column) : caption;
}

db::DbError inUsersWords(db::Connection& db, const db::DbError& e,
                         const protocol::NamedValues& values) {
  const Captions captions(db);
  const std::string table = e.table().empty() ? std::string() : captions.table(e.table());
  std::string text;
  switch (e.kind()) {
    case db::ErrorKind::Duplicate: {
      // 客户编号为“KH001”、… when every value is known, else only the names.
      std::string names, named;
      bool allKnown = !e.columns().empty();
      for (const auto& col : e.columns()) {
        const std::string caption = captions.column(e.table(), col);
        const std::string sep = names.empty() ? "" : "、";
        names += sep + caption;
        auto it = values.find(col);
        allKnown = allKnown && it != values.end();
        if (it != values.end())
          named += sep + caption + "为“" + protocol::toDisplayText(it->second) + "”";
      }
      if (table.empty())
        text = "重复的编号：已有相同编号的记录";
      else if (allKnown)
        text = "重复的编号：" + table + "中已有" + named + "的记录";
      else
        text = "重复的编号：" + table + "中已有相同" + names + "的记录";
      break;
    }
    case db::ErrorKind::NotNull:
      if (table.empty() || e.columns().empty()) return e;
      text = table + "的“" + captions.column(e.table(), e.columns().front()) + "”不能为空";
      break;
    case db::ErrorKind::Constraint:
      text = (table.empty() ? std::string() : table + "的") +
             "数据不符合数据库的约束条件，没有保存（" + e.what() + "）";
      break;
    default:
      return e;
  }
  return db::DbError(text, e.kind(), e.table(), e.columns());
}

}  // namespace qk::server
