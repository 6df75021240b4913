// sp_query_page: one page of a stored query's result with the totals, for every list, finder
// and picker of the client.
//   exec sp_query_page <source>, <field list>, <key>, <where>, <order>, <known total>,
//                      <page size>, <page number>, <total rows> output, <total pages> output
// The source, field list, where and order texts come from stored query definitions and the
// conditions dialog, so the composed statement runs under the same guard as any client text.
#include <algorithm>
#include <cctype>
#include <limits>

#include "server/procedures/registry.h"

namespace qk::server {

namespace {

std::string trim(std::string s) {
  const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
  s.erase(s.begin(), std::find_if(s.begin(), s.end(), notBlank));
  s.erase(std::find_if(s.rbegin(), s.rend(), notBlank).base(), s.end());
  return s;
}

// Drops a leading keyword the caller may have written itself ("where …", "order by …").
std::string withoutLeading(std::string text, std::string_view keyword) {
  text = trim(std::move(text));
  if (text.size() > keyword.size() && protocol::iequals(text.substr(0, keyword.size()), keyword) &&
      std::isspace(static_cast<unsigned char>(text[keyword.size()])))
    return trim(text.substr(keyword.size()));
  return text;
}

std::optional<protocol::RecordSet> queryPage(ProcedureCall& call) {
  const std::string source = trim(call.text(0));
  std::string fields = trim(call.text(1));
  const std::string key = trim(call.text(2));
  const std::string where = withoutLeading(call.text(3), "where");
  std::string order = withoutLeading(call.text(4), "order by");
  const std::int64_t knownTotal = call.args.size() > 5 ? call.integer(5) : 0;
  const std::int64_t pageSize = call.integer(6);
  const std::int64_t page = call.integer(7);
  if (source.empty()) throw db::DbError("分页查询没有指定数据来源");
  if (pageSize <= 0)
    throw db::DbError("每页记录数必须大于 0（当前为 " + std::to_string(pageSize) + "）");
  if (page < 1) throw db::DbError("页码必须从 1 开始（当前为 " + std::to_string(page) + "）");
  if (fields.empty()) fields = "*";
  if (order.empty()) order = key;

  const std::string from = " from " + source + (where.empty() ? "" : " where " + where);
  std::string sql = "select " + fields + from;
  if (!order.empty()) sql += " order by " + order;
  sql += " limit :qk_limit offset :qk_offset";
  // A page whose first row lies beyond any count is empty, however far out it is asked for.
  const bool beyondAll = page - 1 > std::numeric_limits<std::int64_t>::max() / pageSize;
  protocol::RecordSet rs =
      call.db.clientQuery(sql, {{"qk_limit", beyondAll ? 0 : pageSize},
                                {"qk_offset", beyondAll ? 0 : (page - 1) * pageSize}});

  // A caller paging through a result it has counted passes the total, saving a full count. The
  // count wraps the source, so a grouped source counts its groups and an empty one counts 0.
  std::int64_t total = knownTotal;
  if (total <= 0) {
    // PostgreSQL wants a name for the derived table.
    auto counted =
        call.db.clientQuery("select count(*) from (select 1" + from + ") as counted_rows", {});
    const auto* n = counted.rows.empty() ? nullptr : std::get_if<std::int64_t>(&counted.rows[0][0]);
    total = n ? *n : 0;
  }
  const std::int64_t pages = total / pageSize + (total % pageSize != 0);

  if (call.args.size() > 8) call.args[8] = total;
  if (call.args.size() > 9) call.args[9] = pages;
  return rs;
}

}  // namespace

void registerQueryPage() {
  registerProcedure("sp_query_page", queryPage);
}

}  // namespace qk::server
