#include "server/db/statement_guard.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

#include "protocol/value.h"

namespace qk::db {

namespace {

bool isOneOf(const char* s, std::initializer_list<const char*> names) {
  if (!s) return false;
  for (const char* n : names)
    if (protocol::iequals(s, n)) return true;
  return false;
}

bool startsWith(const char* s, std::string_view prefix) {
  return s && std::strlen(s) >= prefix.size() &&
         protocol::iequals(std::string_view(s, prefix.size()), prefix);
}

bool isTemp(const char* db) {
  return isOneOf(db, {"temp"});
}

// The server's own tables (migration bookkeeping, captions) are nobody else's business.
bool isServerTable(const char* table, const char* db) {
  return startsWith(table, "qk_") && !isTemp(db);
}

// The table-layout pragmas the client reads, whether as PRAGMA or as table-valued function.
constexpr std::initializer_list<const char*> kLayoutPragmas = {
    "table_info",  "table_xinfo",      "index_list",     "index_info",
    "index_xinfo", "foreign_key_list", "collation_list", "function_list"};

bool isLayoutPragma(const char* name) {
  return isOneOf(name, kLayoutPragmas);
}

// Virtual tables SQLite offers under fixed names that show the engine's insides: prepared
// statements, page contents, the file and its settings.
bool isEngineInsideTable(const char* table) {
  if (startsWith(table, "pragma_")) return !isLayoutPragma(table + 7);
  return isOneOf(table, {"sqlite_stmt", "dbstat", "sqlite_dbpage", "sqlite_dbdata", "sqlite_dbptr",
                         "fts3tokenize", "fts4aux", "fts5vocab"});
}

// Sorted for binary search; every name in lower case.
constexpr std::array kAllowedFunctions = {
    "abs",
    "acos",
    "acosh",
    "asin",
    "asinh",
    "atan",
    "atan2",
    "atanh",
    "avg",
    "ceil",
    "ceiling",
    "changes",
    "char",
    "coalesce",
    "concat",
    "concat_ws",
    "cos",
    "cosh",
    "count",
    "cume_dist",
    "current_date",
    "current_time",
    "current_timestamp",
    "date",
    "datetime",
    "day",
    "degrees",
    "dense_rank",
    "exp",
    "first_value",
    "floor",
    "format",
    "getdate",
    "glob",
    "group_concat",
    "hex",
    "ifnull",
    "iif",
    "instr",
    "julianday",
    "lag",
    "last_insert_rowid",
    "last_value",
    "lead",
    "len",
    "length",
    "like",
    "likelihood",
    "likely",
    "ln",
    "log",
    "log10",
    "log2",
    "lower",
    "ltrim",
    "max",
    "min",
    "mod",
    "month",
    "nth_value",
    "ntile",
    "nullif",
    "octet_length",
    "percent_rank",
    "pi",
    "pow",
    "power",
    "printf",
    "qk_refuse",
    "quote",
    "radians",
    "random",
    "rank",
    "replace",
    "round",
    "row_number",
    "rtrim",
    "sign",
    "sin",
    "sinh",
    "sqrt",
    "strftime",
    "string_agg",
    "substr",
    "substring",
    "sum",
    "tan",
    "tanh",
    "time",
    "timediff",
    "total",
    "trim",
    "trunc",
    "typeof",
    "unicode",
    "unixepoch",
    "unlikely",
    "upper",
    "year",
};

}  // namespace

bool isAllowedFunction(std::string_view name) {
  const std::string lower = protocol::toLower(std::string(name));
  return std::binary_search(kAllowedFunctions.begin(), kAllowedFunctions.end(), lower,
                            [](std::string_view a, std::string_view b) { return a < b; });
}

void StatementGuard::reset(bool client, const WritePolicy* writePolicy) {
  *this = StatementGuard{};
  active = client;
  policy = writePolicy;
}

int StatementGuard::authorize(void* user, int action, const char* a1, const char* a2,
                              const char* db, const char* trigger) {
  auto& guard = *static_cast<StatementGuard*>(user);
  // Every action but a read counts as a write of the database it names (ALTER TABLE names it
  // first); a statement with no write but the temp schema's need not wait for the writer queue.
  switch (action) {
    case SQLITE_READ:
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
      break;
    default:
      (isTemp(action == SQLITE_ALTER_TABLE ? a1 : db) ? guard.writesTemp : guard.writesOther) =
          true;
  }
  if (!guard.active) return SQLITE_OK;
  auto refuse = [&](std::string why) {
    if (guard.refusal.empty()) guard.refusal = std::move(why);
    return SQLITE_DENY;
  };
  constexpr const char* schema = "不允许修改数据库结构 (CREATE/DROP)";
  switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
      return refuse("不允许附加或分离数据库 (ATTACH/DETACH)");
    case SQLITE_PRAGMA:
      if (isLayoutPragma(a1)) return SQLITE_OK;
      return refuse(std::string("不允许执行 PRAGMA ") + (a1 ? a1 : ""));
    case SQLITE_FUNCTION:
      if (a2 && isAllowedFunction(a2)) return SQLITE_OK;
      return refuse(std::string("不允许调用函数 ") + (a2 ? a2 : ""));
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_TABLE:
      // Session tables ("##name" becomes temp."##name") are the client's own to make and drop.
      if (!isTemp(db)) return refuse(schema);
      guard.createdTable = a1 ? a1 : "";
      return SQLITE_OK;
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
      return isTemp(db) ? SQLITE_OK : refuse(schema);
    // A trigger or view, even a temporary one, would run inside the server's own statements.
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_TEMP_TRIGGER:
      return refuse("不允许创建或删除触发器 (TRIGGER)");
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_TEMP_VIEW:
      return refuse("不允许创建或删除视图 (VIEW)");
    case SQLITE_CREATE_VTABLE:
    case SQLITE_DROP_VTABLE:
      return refuse("不允许创建或删除虚拟表 (VIRTUAL TABLE)");
    case SQLITE_ALTER_TABLE:
      return refuse("不允许修改数据库结构 (ALTER TABLE)");
    case SQLITE_REINDEX:
    case SQLITE_ANALYZE:
      return isTemp(db) ? SQLITE_OK : refuse("不允许修改数据库结构 (REINDEX/ANALYZE)");
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
      return refuse("事务由服务器控制，不允许客户端开始或提交事务");
    case SQLITE_READ:
      // Password hashes never leave the server: reading the column yields null.
      if (isOneOf(a1, {"sys_user"}) && isOneOf(a2, {"pwd"}) && !isTemp(db)) {
        guard.readsPassword = true;
        return SQLITE_IGNORE;
      }
      if (isServerTable(a1, db) && !trigger) return refuse("不允许访问服务器内部表");
      if (isEngineInsideTable(a1))
        return refuse(std::string("不允许读取数据库内部信息 (") + a1 + ")");
      return SQLITE_OK;
    case SQLITE_UPDATE:
      if (isOneOf(a1, {"sys_user"}) && isOneOf(a2, {"pwd"}) && !isTemp(db))
        return refuse("密码只能通过修改密码功能更改");
      [[fallthrough]];
    case SQLITE_INSERT:
    case SQLITE_DELETE:
      // A trigger of the schema keeps derived tables true (wh_stock): the client's right to
      // write the table that fired it is what counts, and clients cannot make triggers.
      if (trigger) return SQLITE_OK;
      if (isServerTable(a1, db)) return refuse("不允许修改服务器内部表");
      if (a1 && guard.policy && *guard.policy && isOneOf(db, {"main"})) {
        const WriteKind kind = action == SQLITE_INSERT   ? WriteKind::Insert
                               : action == SQLITE_DELETE ? WriteKind::Delete
                                                         : WriteKind::Update;
        const auto why = (*guard.policy)(kind, a1, action == SQLITE_UPDATE && a2 ? a2 : "");
        if (why) return refuse(*why);
      }
      return SQLITE_OK;
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    default:
      // An action this guard does not know: a newer engine's, so not one clients need.
      return refuse("不允许执行此操作");
  }
}

}  // namespace qk::db
