// The paging procedure on a large account set, through the server, each case against the same
// statements run directly on SQLite in this process in the same run.
//   qk_query_page_bench [products]     (default 1000000; receipts: one per 50 products)
// The cases run the stored queries as the query dialog does (full field list, stored order,
// 100 rows a page): the products, also under a containment condition, and the receipt lines
// of one month.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/core/account_store.h"
#include "server/demo/bulk_data.h"
#include "support/median_timing.h"
#include "support/test_server.h"

using namespace qk;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPageSize = 100;

std::string cellText(const protocol::RecordSet& rs, std::size_t col) {
  const auto* s = std::get_if<std::string>(&rs.rows.at(0).at(col));
  return s ? *s : "";
}

}  // namespace

int main(int argc, char** argv) {
  test::pinToOneCore();

  const int products = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1'000'000;
  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/false);
  auto direct = server::AccountStore(dir.path()).open(test::kAccount);
  auto t0 = Clock::now();
  server::addBulkProducts(*direct, products);
  const int receipts = std::max(100, products / 50);
  server::addBulkReceipts(*direct, receipts);
  std::printf("%d bulk products and %d receipts added in %.1f s\n", products, receipts,
              std::chrono::duration<double>(Clock::now() - t0).count());

  auto served = test::startLoggedIn(dir.path());
  auto& client = served.client;

  // A stored query as the query dialog reads it: source, key, order and every field.
  struct Query {
    std::string source, key, order, fields;
  };
  auto definition = [&](const std::string& id) {
    Query q;
    auto head = direct->query(
        "select preSQL, keyName, sortName from sys_filter_sql where tableName = :id", {{"id", id}});
    q.source = cellText(head, 0);
    q.key = cellText(head, 1);
    q.order = cellText(head, 2);
    for (const auto& row :
         direct
             ->query("select fieldName from sys_filter where tableName = :id order by ord",
                     {{"id", id}})
             .rows)
      q.fields += (q.fields.empty() ? "" : ",") + std::get<std::string>(row.at(0));
    return q;
  };

  std::int64_t lastTotal = 0;
  auto viaServer = [&](const Query& q, const std::string& where, int pageNo,
                       std::int64_t knownTotal) {
    auto rs = client->open(
        "execute sp_query_page :@TableName, :@FieldList, :@primaryKey,:@Where,:@Order,"
        ":@RecorderCount,:@PageSize,:@PageIndex ,:@TotalCount output ,:@TotalPageCount output",
        {{"@TableName", q.source},
         {"@FieldList", q.fields},
         {"@primaryKey", q.key},
         {"@Where", where},
         {"@Order", q.order},
         {"@RecorderCount", knownTotal},
         {"@PageSize", kPageSize},
         {"@PageIndex", pageNo},
         {"@TotalCount", 0},
         {"@TotalPageCount", 0}},
        "selectDSP");
    if (rs.rows.size() != static_cast<std::size_t>(kPageSize))
      std::fprintf(stderr, "unexpected page of %zu rows\n", rs.rows.size());
    lastTotal = std::get<std::int64_t>(rs.outParams.at("@TotalCount"));
  };
  // The statements the procedure composes, run on SQLite in this process.
  auto onSqlite = [&](const Query& q, const std::string& where, int pageNo, bool count) {
    const std::string from = " from " + q.source + (where.empty() ? "" : " where " + where);
    if (count) direct->clientQuery("select count(*)" + from, {});
    auto rs = direct->clientQuery(
        "select " + q.fields + from + " order by " + q.order + " limit :qk_limit offset :qk_offset",
        {{"qk_limit", kPageSize},
         {"qk_offset", static_cast<std::int64_t>(pageNo - 1) * kPageSize}});
    if (rs.rows.size() != static_cast<std::size_t>(kPageSize))
      std::fprintf(stderr, "unexpected page of %zu rows\n", rs.rows.size());
  };

  struct Case {
    std::string title;
    std::string query;
    std::string where;
    int page;
    bool passTotal;  // later pages: the caller hands on the total it was given with page 1
  };
  const std::string contains = "productName like '%阀%'";
  const int farPage = std::min(5000, products / kPageSize);
  const std::string far = "page " + std::to_string(farPage);
  const std::vector<Case> cases{
      {"products, page 1 (counts)", "bas_products", "", 1, false},
      {"products, " + far + ", total passed in", "bas_products", "", farPage, true},
      {"products, " + far + ", counted again", "bas_products", "", farPage, false},
      {"products 包含 阀, page 1 (counts)", "bas_products", contains, 1, false},
      {"products 包含 阀, page 2, total passed in", "bas_products", contains, 2, true},
      {"receipt lines, one month, page 1 (counts)", "qry_wh_in",
       "inDate >= '2026-03-01' and inDate <= '2026-03-31 23:59:59'", 1, false},
  };
  std::printf("%d rows a page; each query with its full field list and stored order\n", kPageSize);
  std::printf("%-46s %10s %10s %7s\n", "case", "SQLite ms", "server ms", "ratio");
  for (const Case& c : cases) {
    const Query q = definition(c.query);
    std::int64_t total = 0;
    if (c.passTotal) {
      viaServer(q, c.where, 1, 0);
      total = lastTotal;
    }
    const int runs = c.page > 2 ? 15 : 31;
    const auto [sqliteMs, serverMs] = test::medianMs(
        runs, [&] { onSqlite(q, c.where, c.page, !c.passTotal); },
        [&] { viaServer(q, c.where, c.page, total); });
    std::printf("%-46s %10.1f %10.1f %6.2fx  (%lld rows)\n", c.title.c_str(), sqliteMs, serverMs,
                serverMs / sqliteMs, static_cast<long long>(lastTotal));
  }

  client.reset();  // an idle keep-alive connection would hold up the stop
  return 0;
}
