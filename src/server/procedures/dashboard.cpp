// exec sp_dashboard ['day']   every figure of the factory dashboard in one record set
//
// The day defaults to the server's today. Figures come from the running totals the views of the
// screens behind the tiles read, so a tile never disagrees with the screen it opens. The result is
// in long form, columns tile, kind, label, keyNo, v1, v2, v3: per tile one "total" row (the full
// count and sums) followed by its "row" rows (what its chart draws, in drawing order):
//
//   tile      total: v1 / v2 / v3                       rows: label, keyNo; v1 / v2 / v3
//   due       orders / lines / undelivered qty due      each day D..D+6: "MM-dd", the date;
//             from D through D+6 (keyNo D)              orders / lines / undelivered qty
//   late      orders / lines / undelivered qty due      the customers with most late orders (6):
//             before D, not delivered in full           name, custNo; orders / qty / days late
//   progress  open task lines / planned / finished      the open lines planned earliest (8):
//             (open: planned > 0, not received in full) "taskNo process", gsNo; planned /
//                                                       finished / % finished
//   waiting   departments / pieces waiting / lines      each department, most waiting first:
//             (waiting: planned less finished, >= 0)    name, depNo; waiting / lines / planned
//   low       items / 0 / 0                             the items most short (8): name,
//             (stock of all warehouses < lowQty > 0)    productNo; stock / lowQty / shortfall
//   high      items / 0 / 0 (stock > highQty > 0)       the items most over: stock / highQty /
//                                                       excess
//   moves     receipts / issues of D's month in the     each day of the month: day, date;
//             warehouses (label "YYYY-MM")              receipts / issues / 0
//   wages     wages+fees of D's month / of the month    "计件工资" (wage), "外协加工费" (fee):
//             before                                    this month / last month / 0
//
// Only reads; every value is bound.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/procedures/registry.h"
#include "server/procedures/wage_records.h"

namespace qk::server {

namespace {

using protocol::FieldType;
using protocol::RecordSet;
using protocol::Value;

double numberAt(const protocol::Row& row, std::size_t i) {
  const Value& v = row.at(i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* n = std::get_if<std::int64_t>(&v)) return static_cast<double>(*n);
  return 0;
}

struct DashboardRow {
  std::string label, keyNo;
  double v1 = 0, v2 = 0, v3 = 0;
};

class Board {
 public:
  Board() {
    out_.fields = {{"tile", FieldType::String, 20}, {"kind", FieldType::String, 10},
                   {"label", FieldType::String, 0}, {"keyNo", FieldType::String, 0},
                   {"v1", FieldType::Float, 0},     {"v2", FieldType::Float, 0},
                   {"v3", FieldType::Float, 0}};
  }
  void tile(const char* name, const DashboardRow& total, const std::vector<DashboardRow>& rows) {
    add(name, "total", total);
    for (const DashboardRow& r : rows) add(name, "row", r);
  }
  RecordSet take() { return std::move(out_); }

 private:
  void add(const char* tile, const char* kind, const DashboardRow& r) {
    out_.rows.push_back({std::string(tile), std::string(kind), r.label, r.keyNo, r.v1, r.v2, r.v3});
  }
  RecordSet out_;
};

// The days the figures are taken over, as stored date texts. Computed here rather than by the
// database's date functions, which differ between the engines the server runs on.
struct Days {
  std::chrono::sys_days date;
  std::string day, weekEnd, monthStart, nextMonth, monthEnd, lastMonthStart;
};

std::string dayText(std::chrono::year_month_day d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
  return text;
}

// "YYYY-MM-DD", alone or followed by a time; anything else is no day.
std::optional<std::chrono::year_month_day> parseDay(const std::string& text) {
  const auto digits = [&](std::size_t from, std::size_t n) {
    return std::all_of(text.begin() + from, text.begin() + from + n,
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (text.size() < 10 || !digits(0, 4) || text[4] != '-' || !digits(5, 2) || text[7] != '-' ||
      !digits(8, 2) || (text.size() > 10 && text[10] != ' ' && text[10] != 'T'))
    return std::nullopt;
  const std::chrono::year_month_day d{std::chrono::year(std::stoi(text.substr(0, 4))),
                                      std::chrono::month(std::stoul(text.substr(5, 2))),
                                      std::chrono::day(std::stoul(text.substr(8, 2)))};
  if (!d.ok()) return std::nullopt;
  return d;
}

std::chrono::year_month_day today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return std::chrono::year_month_day{std::chrono::year(tm.tm_year + 1900),
                                     std::chrono::month(static_cast<unsigned>(tm.tm_mon + 1)),
                                     std::chrono::day(static_cast<unsigned>(tm.tm_mday))};
}

Days daysOf(ProcedureCall& call) {
  using namespace std::chrono;
  const std::string given = call.args.empty() ? std::string() : call.text(0);
  const auto parsed = given.empty() ? std::optional(today()) : parseDay(given);
  if (!parsed) throw db::DbError("日期格式不正确: " + given);
  const sys_days date{*parsed};
  const year_month first = parsed->year() / parsed->month();
  return {date,
          dayText(*parsed),
          dayText(year_month_day{date + days{7}}),
          dayText(first / 1),
          dayText((first + months{1}) / 1),
          dayText(first / last) + " 23:59:59",
          dayText((first - months{1}) / 1)};
}

// Undelivered order lines up to a week ahead, read once: the late ones by customer, the due ones
// by day of their order's delivery date. An order line is undelivered as the unfinished-orders
// query (view_qry_bus_so_un) has it: its quantity less what deliveries shipped, from the totals
// that view reads, through the index of the open lines.
constexpr std::string_view kOpenOrders = R"(
SELECT g.late, g.grp, coalesce(nullif(trim(c.custName), ''), g.custNo, '') AS label, g.orders,
       g.lines, g.unQty, g.oldest
FROM (SELECT CASE WHEN m.dlvDate < :day THEN 1 ELSE 0 END AS late,
             CASE WHEN m.dlvDate < :day THEN coalesce(m.custNo, '') ELSE date(m.dlvDate) END AS grp,
             max(m.custNo) AS custNo, count(*) AS orders, total(o.lines) AS lines,
             total(o.unQty) AS unQty, min(date(m.dlvDate)) AS oldest
      FROM (SELECT keyNo, count(*) AS lines, total(unQty) AS unQty
            FROM qk_so_line WHERE unQty > 0 GROUP BY keyNo) o
      JOIN bus_SO m ON m.keyNo = o.keyNo
      WHERE m.dlvDate < :weekEnd
      GROUP BY 1, 2) g
LEFT JOIN bas_cust c ON c.custNo = g.custNo
ORDER BY g.late, g.orders DESC, label, g.grp)";

// Open task lines as the flow cards count them (view_bus_task_det: planned qty, finished fQty,
// done once received in full) per department, from the totals that view reads.
constexpr std::string_view kWaitingByDepartment = R"(
SELECT coalesce(nullif(trim(e.depName), ''), '未指定部门') AS label, coalesce(g.depNo, ''),
       g.waiting, g.lines, g.planned, g.finished
FROM (SELECT depNo, total(CASE WHEN qty > fQty THEN qty - fQty ELSE 0 END) AS waiting,
             count(*) AS lines, total(qty) AS planned, total(fQty) AS finished
      FROM qk_task_progress WHERE qty > 0 AND recQty < qty GROUP BY depNo) g
LEFT JOIN bas_dep e ON e.depNo = g.depNo
ORDER BY g.waiting DESC, label)";

// The open lines planned earliest, those without a date last, then as the flow cards show them.
constexpr std::string_view kEarliestTaskLines = R"(
SELECT o.n, t.taskNo || ' ' || coalesce(t.procName, ''), coalesce(t.gsNo, ''), t.qty,
       coalesce(t.fQty, 0), round(100.0 * coalesce(t.fQty, 0) / t.qty, 1)
FROM (SELECT 0 AS n, taskNo FROM (
        SELECT taskNo FROM qk_task_progress WHERE qty > 0 AND recQty < qty AND pDate IS NOT NULL
        ORDER BY pDate, taskNo LIMIT 8) dated
      UNION ALL
      SELECT 1, taskNo FROM (
        SELECT taskNo FROM qk_task_progress WHERE qty > 0 AND recQty < qty AND pDate IS NULL
        ORDER BY taskNo LIMIT 8) undated) o
JOIN view_bus_task_det t ON t.taskNo = o.taskNo
ORDER BY o.n, t.pDate, t.taskNo)";

// An item's stock over every warehouse against its limits; an item never stocked has none.
constexpr std::string_view kStockLimits = R"(
WITH stock AS (SELECT productNo, total(Qty) AS qty FROM wh_stock GROUP BY productNo)
SELECT trim(coalesce(nullif(trim(p.productName), ''), p.productNo) || ' ' ||
            coalesce(p.productSize, '')) AS label,
       p.productNo, coalesce(s.qty, 0) AS qty, p.lowQty, p.highQty
FROM bas_products p LEFT JOIN stock s ON s.productNo = p.productNo
WHERE (p.lowQty > 0 AND coalesce(s.qty, 0) < p.lowQty)
   OR (p.highQty > 0 AND coalesce(s.qty, 0) > p.highQty))";

// Receipts and issues by day as the stock figures count them (the movements of view_stock_move,
// kept per warehouse and day): a document of no warehouse moves no stock.
constexpr std::string_view kMovesByDay = R"(
SELECT day, total(inQty), total(outQty) FROM qk_stock_day
WHERE day >= :monthStart AND day < :nextMonth
  AND whNo IN (SELECT depNo FROM bas_dep WHERE isWh = 1)
GROUP BY day)";

constexpr std::size_t kTopRows = 8;

void orders(ProcedureCall& call, const Days& d, Board& board) {
  std::map<std::string, DashboardRow> byDay;
  std::vector<DashboardRow> late;
  DashboardRow lateTotal{d.day, d.day};
  for (const protocol::Row& r :
       call.db.query(kOpenOrders, {{"day", d.day}, {"weekEnd", d.weekEnd}}).rows) {
    const DashboardRow row{textOf(r.at(2)), textOf(r.at(1)), numberAt(r, 3), numberAt(r, 4),
                           numberAt(r, 5)};
    if (numberAt(r, 0) == 0) {
      byDay[textOf(r.at(1))] = row;
      continue;
    }
    lateTotal.v1 += row.v1;
    lateTotal.v2 += row.v2;
    lateTotal.v3 += row.v3;
    // A customer's bar: late orders, undelivered quantity, days the oldest is late.
    const auto oldest = parseDay(textOf(r.at(6)));
    const double daysLate = oldest ? (d.date - std::chrono::sys_days{*oldest}).count() : 0;
    late.push_back({row.label, row.keyNo, row.v1, row.v3, daysLate});
  }
  if (late.size() > 6) late.resize(6);

  // Every day of the week gets its bar, an empty day too.
  DashboardRow due{d.day, d.day};
  std::vector<DashboardRow> dueRows;
  for (int i = 0; i < 7; ++i) {
    const std::string day = dayText(std::chrono::year_month_day{d.date + std::chrono::days{i}});
    DashboardRow row = byDay[day];
    row.label = day.substr(5);
    row.keyNo = day;
    due.v1 += row.v1;
    due.v2 += row.v2;
    due.v3 += row.v3;
    dueRows.push_back(row);
  }
  board.tile("due", due, dueRows);
  board.tile("late", lateTotal, late);
}

void production(ProcedureCall& call, Board& board) {
  DashboardRow progress{}, waitingTotal{};
  std::vector<DashboardRow> earliest, waiting;
  for (const protocol::Row& r : call.db.query(kWaitingByDepartment).rows) {
    waiting.push_back(
        {textOf(r.at(0)), textOf(r.at(1)), numberAt(r, 2), numberAt(r, 3), numberAt(r, 4)});
    progress.v1 += numberAt(r, 3);
    progress.v2 += numberAt(r, 4);
    progress.v3 += numberAt(r, 5);
    waitingTotal.v1 += 1;
    waitingTotal.v2 += numberAt(r, 2);
    waitingTotal.v3 += numberAt(r, 3);
  }
  for (const protocol::Row& r : call.db.query(kEarliestTaskLines).rows) {
    if (earliest.size() == kTopRows) break;
    earliest.push_back(
        {textOf(r.at(1)), textOf(r.at(2)), numberAt(r, 3), numberAt(r, 4), numberAt(r, 5)});
  }
  board.tile("progress", progress, earliest);
  board.tile("waiting", waitingTotal, waiting);
}

void stockLimits(ProcedureCall& call, Board& board) {
  std::vector<DashboardRow> low, high;
  for (const protocol::Row& r : call.db.query(kStockLimits).rows) {
    const double qty = numberAt(r, 2), lowQty = numberAt(r, 3), highQty = numberAt(r, 4);
    if (lowQty > 0 && qty < lowQty)
      low.push_back({textOf(r.at(0)), textOf(r.at(1)), qty, lowQty, lowQty - qty});
    if (highQty > 0 && qty > highQty)
      high.push_back({textOf(r.at(0)), textOf(r.at(1)), qty, highQty, qty - highQty});
  }
  for (auto* list : {&low, &high}) {
    // The largest gap first; equal gaps by item number, so the chart is the same every time.
    std::sort(list->begin(), list->end(), [](const DashboardRow& a, const DashboardRow& b) {
      return a.v3 != b.v3 ? a.v3 > b.v3 : a.keyNo < b.keyNo;
    });
    const double count = static_cast<double>(list->size());
    if (list->size() > kTopRows) list->resize(kTopRows);
    board.tile(list == &low ? "low" : "high", {{}, {}, count, 0, 0}, *list);
  }
}

void moves(ProcedureCall& call, const Days& d, Board& board) {
  std::map<std::string, std::pair<double, double>> byDay;
  for (const protocol::Row& r :
       call.db.query(kMovesByDay, {{"monthStart", d.monthStart}, {"nextMonth", d.nextMonth}}).rows)
    byDay[textOf(r.at(0))] = {numberAt(r, 1), numberAt(r, 2)};
  DashboardRow total{d.monthStart.substr(0, 7), d.monthStart};
  std::vector<DashboardRow> rows;
  const int lastDay = std::stoi(d.monthEnd.substr(8, 2));
  for (int i = 1; i <= lastDay; ++i) {
    const std::string day = d.monthStart.substr(0, 8) + (i < 10 ? "0" : "") + std::to_string(i);
    const auto [in, out] = byDay[day];
    rows.push_back({std::to_string(i), day, in, out, 0});
    total.v1 += in;
    total.v2 += out;
  }
  board.tile("moves", total, rows);
}

// Both months, wages and fees, in one pass over the records, by the rules of the wage statistics
// (kWageRecords): a record earns its good quantity times the quota of its task line's product and
// process, rounded per record; fees are the records of outsourcing departments. The records are
// read by month and task number, so their lines' copies the totals keep (product, process,
// department and the quota as it stands) are read in order.
constexpr std::string_view kWagesByMonth = R"(
SELECT CASE WHEN r.inspDate >= :thisStart THEN 1 ELSE 0 END, coalesce(d.isOw, 0) AS outsourced,
       total(round(coalesce(r.gqty, 0) * coalesce(t.quote, 0), 2))
FROM bus_flow r
JOIN qk_task_progress t ON t.taskNo = r.taskNo
LEFT JOIN bas_dep d ON d.depNo = t.depNo
WHERE substr(r.inspDate, 1, 7) IN (:lastMonth, :thisMonth)
  AND r.inspDate >= :start AND r.inspDate <= :end AND (coalesce(d.isOw, 0) = 1 OR {paid})
GROUP BY 1, 2)";

void wages(ProcedureCall& call, const Days& d, Board& board) {
  std::string sql(kWagesByMonth);
  sql.replace(sql.find("{paid}"), 6, kWagePaidToStaff);
  DashboardRow wage{"计件工资", "wage"}, fee{"外协加工费", "fee"};
  const RecordSet rs = call.db.query(sql, {{"start", d.lastMonthStart + " 00:00:00"},
                                           {"end", d.monthEnd},
                                           {"thisStart", d.monthStart + " 00:00:00"},
                                           {"lastMonth", d.lastMonthStart.substr(0, 7)},
                                           {"thisMonth", d.monthStart.substr(0, 7)}});
  for (const protocol::Row& r : rs.rows) {
    DashboardRow& row = numberAt(r, 1) == 1 ? fee : wage;
    (numberAt(r, 0) == 1 ? row.v1 : row.v2) += numberAt(r, 2);
  }
  board.tile("wages",
             {d.monthStart.substr(0, 7), d.monthStart, wage.v1 + fee.v1, wage.v2 + fee.v2, 0},
             {wage, fee});
}

std::optional<RecordSet> dashboard(ProcedureCall& call) {
  const Days days = daysOf(call);
  Board board;
  orders(call, days, board);
  production(call, board);
  stockLimits(call, board);
  moves(call, days, board);
  wages(call, days, board);
  return board.take();
}

}  // namespace

void registerDashboardProcedures() {
  registerProcedure("sp_dashboard", dashboard);
}

}  // namespace qk::server
