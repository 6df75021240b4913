#include "support/dashboard_documents.h"

#include <cmath>
#include <map>
#include <random>

#include <nlohmann/json.hpp>

#include "support/stock_documents.h"

namespace qk::test {

namespace {

// Two plant departments, one outsourcing department; one quota per product and process.
constexpr const char* kDepartments[][3] = {
    {"D1", "机加车间", "0"}, {"D2", "装配车间", "0"}, {"D9", "外协镀锌厂", "1"}};
constexpr const char* kProcesses[][2] = {{"01", "车削"}, {"02", "装配"}, {"03", "镀锌"}};

}  // namespace

DashboardDocuments generateDashboardDocuments(db::Connection& db,
                                              const DashboardDocumentsSpec& spec) {
  std::mt19937 rng(spec.seed);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  DashboardDocuments out;
  db::Transaction tx(db);
  for (const auto& d : kDepartments)
    db.execute("insert into bas_dep (depNo, depName, isOw, isPlant) values (:n, :name, :ow, 1)",
               {{"n", d[0]}, {"name", d[1]}, {"ow", std::int64_t{d[2][0] == '1'}}});
  for (const auto& p : kProcesses)
    db.execute("insert into bas_process (procNo, procName) values (:n, :name)",
               {{"n", p[0]}, {"name", p[1]}});
  for (int s = 1; s <= 4; ++s)
    db.execute("insert into bas_staff (staffNo, staffName) values (:n, :name)",
               {{"n", number("E", s, 2)}, {"name", "工人" + std::to_string(s)}});
  for (int c = 1; c <= spec.customers; ++c)
    db.execute("insert into bas_cust (custNo, custName) values (:n, :name)",
               {{"n", number("C", c, 3)}, {"name", "客户" + std::to_string(c)}});
  // Quotas of 0.25 to 2.50 per piece: amounts with cents, so rounding shows.
  nlohmann::json quotes = nlohmann::json::array();
  std::map<std::pair<std::string, std::string>, double> quote;
  for (int i = 1; i <= spec.items; ++i)
    for (const auto& p : kProcesses) {
      const double q = between(1, 10) / 4.0;
      quotes.push_back({number("P", i, 6), p[0], q});
      quote[{number("P", i, 6), p[0]}] = q;
    }
  insertJsonRows(db, "insert into bas_quote (productNo, procNo, quote)", quotes);

  nlohmann::json orders = nlohmann::json::array(), lines = nlohmann::json::array(),
                 deliveries = nlohmann::json::array();
  for (int o = 1; o <= spec.orders; ++o) {
    const std::string key = number("XS", o, 7);
    const std::string cust = number("C", between(1, spec.customers), 3);
    const std::string due = dayAfter(spec.day, between(-60, 30)) + " 00:00:00";
    orders.push_back({key, cust, due, due});
    for (int l = 1; l <= spec.linesPerOrder; ++l) {
      const std::string gsNo = key + "-" + number("", l, 2);
      const double qty = between(1, 100);
      // About a third delivered in full, a third in part, a third not at all.
      const int kind = between(0, 2);
      const double delivered = kind == 0 ? qty : kind == 1 ? std::floor(qty / 2) : 0;
      lines.push_back({gsNo, key, l, number("P", between(1, spec.items), 6), qty});
      if (delivered > 0)
        deliveries.push_back({"FH-DASH", static_cast<int>(deliveries.size()) + 1, gsNo, delivered});
      out.orderLines.push_back({key, cust, due, qty, delivered});
    }
  }
  insertJsonRows(db, "insert into bus_SO (keyNo, custNo, dlvDate, docDate)", orders);
  insertJsonRows(db, "insert into bus_so_det (gsNo, keyNo, itemNo, productNo, qty)", lines);
  // Deliveries without a warehouse move no stock, so the stock figures stay the stock
  // generator's own.
  db.execute("insert into bus_SD (keyNo, docDate) values ('FH-DASH', :d)", {{"d", spec.day}});
  insertJsonRows(db, "insert into bus_sd_det (keyNo, SDItemNo, gsNo, qty)", deliveries);

  const std::string thisMonth = spec.day.substr(0, 8) + "01";
  const std::string lastMonth = dayAfter(thisMonth, -1).substr(0, 8) + "01";
  nlohmann::json tasks = nlohmann::json::array(), records = nlohmann::json::array(),
                 receipts = nlohmann::json::array();
  for (int t = 1; t <= spec.taskLines; ++t) {
    const int order = between(1, spec.orders);
    const std::string gsNo = number("XS", order, 7) + "-01";
    const std::string taskNo = gsNo + "-" + number("", t, 3);
    const int p = between(0, 2);
    const std::string product = number("P", between(1, spec.items), 6);
    const double qty = between(0, 4) == 0 ? 0 : between(10, 200);  // some lines plan nothing
    const std::string dep = kDepartments[p][0];
    tasks.push_back(
        {taskNo, gsNo, product, kProcesses[p][0], dep, qty, dayAfter(spec.day, between(-10, 20))});
    GeneratedTaskLine line{taskNo, gsNo, dep, qty, 0, 0};
    for (int r = 0; r < spec.recordsPerTaskLine; ++r) {
      const double gqty = between(0, 40);
      const std::string when =
          (spec.recordDays > 0 ? dayAfter(spec.day, -between(0, spec.recordDays - 1))
                               : dayAfter(r % 2 ? lastMonth : thisMonth, between(0, 27))) +
          " 10:00:00";
      const std::string staff = between(0, 5) == 0 ? "" : number("E", between(1, 4), 2);
      records.push_back({taskNo, staff, gqty, when});
      line.finished += gqty;
      // Whole pieces times quarters: exact in cents.
      out.records.push_back(
          {taskNo, staff, when, gqty, gqty * quote[{product, kProcesses[p][0]}], dep == "D9"});
    }
    // A quarter of the lines received in full: closed, whatever their records say.
    if (qty > 0 && between(0, 3) == 0) {
      receipts.push_back({taskNo, qty, ""});
      line.received = qty;
    }
    out.taskLines.push_back(line);
  }
  insertJsonRows(
      db, "insert into bus_task_det (taskNo, gsNo, productNo, procNo, depNo, qty, pDate)", tasks);
  insertJsonRows(db, "insert into bus_flow (taskNo, staffNo, gqty, inspDate)", records);
  insertJsonRows(db, "insert into bus_flow_rec (taskNo, recQty, recDep)", receipts);
  tx.commit();
  return out;
}

}  // namespace qk::test
