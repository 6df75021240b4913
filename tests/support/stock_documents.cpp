#include "support/stock_documents.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string_view>

#include <nlohmann/json.hpp>

#include "server/procedures/registry.h"

namespace qk::test {

namespace {

struct Kind {
  const char *master, *key, *date, *detail, *line, *price;
  bool receipt;
};

// Warehouse receipts carry a date without a time, the others a time of day as well.
constexpr Kind kKinds[] = {
    {"wh_In", "keyNo", "inDate", "wh_in_det", "itemNo", "uPrice", true},
    {"bus_PI", "keyNO", "PIDate", "bus_pi_det", "PIItemNo", "uprice", true},
    {"wh_Out", "keyNo", "outDate", "wh_out_det", "itemNo", "uPrice", false},
    {"wh_mat", "keyNo", "moDate", "wh_mat_det", "itemNo", "uPrice", false},
    {"bus_SD", "keyNo", "dDate", "bus_sd_det", "SDItemNo", "uprice", false},
};

}  // namespace

std::string number(const char* prefix, int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, n);
  return buf;
}

std::string dayAfter(const std::string& first, int days) {
  using namespace std::chrono;
  int y = 0, m = 0, d = 0;
  std::sscanf(first.c_str(), "%d-%d-%d", &y, &m, &d);
  const year_month_day day{sys_days{year{y} / m / d} + std::chrono::days{days}};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return buf;
}

void insertJsonRows(db::Connection& db, const std::string& into, const nlohmann::json& rows) {
  if (rows.empty()) return;
  if (db.dialect() == db::Dialect::Sqlite) {
    std::string select = " select ";
    for (std::size_t c = 0; c < rows.front().size(); ++c)
      select += (c ? ", value->>" : "value->>") + std::to_string(c);
    db.execute(into + select + " from json_each(:rows)", {{"rows", rows.dump()}});
    return;
  }
  std::vector<protocol::Row> values;
  values.reserve(rows.size());
  for (const auto& row : rows) {
    protocol::Row& out = values.emplace_back();
    for (const auto& v : row) {
      if (v.is_string())
        out.emplace_back(v.get<std::string>());
      else if (v.is_number_integer())
        out.emplace_back(v.get<std::int64_t>());
      else if (v.is_number())
        out.emplace_back(v.get<double>());
      else
        out.emplace_back();
    }
  }
  server::insertRows(db, into, values);
}

std::vector<StockMove> generateStockDocuments(db::Connection& db, const StockDocumentsSpec& spec,
                                              bool keepMoves) {
  std::mt19937 rng(spec.seed);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<StockMove> moves;
  db::Transaction tx(db);
  for (int w = 1; w <= spec.warehouses; ++w)
    db.execute("insert into bas_dep (depNo, depName, isWh) values (:n, :name, 1)",
               {{"n", number("W", w, 2)}, {"name", "仓库" + std::to_string(w)}});
  for (int i = 1; i <= spec.items; ++i) {
    const std::string product = number("P", i, 6);
    db.execute(
        "insert into bas_products (productNo, productName, productSize, productUnit, lowQty, "
        "highQty) values (:p, :name, 'DN50', '件', 10, 500)",
        {{"p", product}, {"name", "物料" + std::to_string(i)}});
    const std::string wh = number("W", 1 + i % spec.warehouses, 2);
    if (i % 3 != 0) continue;
    const double qty = between(1, 100), price = between(1, 50);
    db.execute("insert into wh_stock (whNo, productNo, initQty, initPrice) values (:w, :p, :q, :u)",
               {{"w", wh}, {"p", product}, {"q", qty}, {"u", price}});
    if (keepMoves) moves.push_back({wh, product, "", qty});
  }
  // Each table's rows travel as one JSON array and arrive in one statement: masters first, so
  // the lines' stock triggers find their warehouse.
  nlohmann::json masters[5], lines[5];
  int document = 0;
  for (int done = 0; done < spec.lines; ++document) {
    const int kind = document % 5;
    const Kind& k = kKinds[kind];
    const std::string key = number(k.master, document, 7);
    const std::string wh = number("W", between(1, spec.warehouses), 2);
    std::string date = dayAfter(spec.firstDay, between(0, spec.days - 1));
    if (std::string_view(k.master) != "wh_In")
      date += " " + number("", between(8, 17), 2) + ":" + number("", between(0, 59), 2) + ":00";
    masters[kind].push_back({key, wh, date, date});
    for (int l = 1; l <= spec.linesPerDocument && done < spec.lines; ++l, ++done) {
      const std::string product = number("P", between(1, spec.items), 6);
      const double qty = k.receipt ? between(1, 50) : between(1, 20);
      lines[kind].push_back({key, l, product, qty, between(100, 9999) / 100.0});
      if (keepMoves) moves.push_back({wh, product, date, k.receipt ? qty : -qty});
    }
  }
  for (int kind = 0; kind < 5; ++kind) {
    const Kind& k = kKinds[kind];
    insertJsonRows(
        db,
        std::string("insert into ") + k.master + " (" + k.key + ", whNo, " + k.date + ", docDate)",
        masters[kind]);
  }
  for (int kind = 0; kind < 5; ++kind) {
    const Kind& k = kKinds[kind];
    insertJsonRows(db,
                   std::string("insert into ") + k.detail + " (keyNo, " + k.line +
                       ", productNo, qty, " + k.price + ")",
                   lines[kind]);
  }
  tx.commit();
  return moves;
}

}  // namespace qk::test
