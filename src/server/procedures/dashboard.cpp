// exec sp_dashboard ['day']   every figure of the factory dashboard in one record set
//
// The day defaults to the server's today. Figures come from the views and records the screens
// behind the tiles read, so a tile never disagrees with the screen it opens. The result is in
// long form, columns tile, kind, label, keyNo, v1, v2, v3: per tile one "total" row (the full
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
#include <map>
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

// The days the figures are taken over, as stored date texts.
struct Days {
  std::string day, weekEnd, monthStart, nextMonth, monthEnd, lastMonthStart;
};

Days daysOf(ProcedureCall& call) {
  const std::string given = call.args.empty() ? std::string() : call.text(0);
  const RecordSet rs = call.db.query(
      "SELECT date(d), date(d, '+7 days'), date(d, 'start of month'), "
      "date(d, 'start of month', '+1 month'), date(d, 'start of month', '+1 month', '-1 day') "
      "|| ' 23:59:59', date(d, 'start of month', '-1 month') "
      "FROM (SELECT CASE WHEN :given = '' THEN date('now', 'localtime') ELSE :given END AS d)",
      {{"given", given}});
  const protocol::Row& r = rs.rows.at(0);
  if (!std::holds_alternative<std::string>(r.at(0))) throw db::DbError("日期格式不正确: " + given);
  return {textOf(r[0]), textOf(r[1]), textOf(r[2]), textOf(r[3]), textOf(r[4]), textOf(r[5])};
}

// Undelivered order lines of the unfinished-orders query up to a week ahead, read once: the
// late ones by customer, the due ones by day of their order's delivery date.
constexpr std::string_view kOpenOrders = R"(
SELECT dlvDate < :day AS late, CASE WHEN dlvDate < :day THEN coalesce(custNo, '')
                                    ELSE date(dlvDate) END AS grp,
       coalesce(nullif(trim(max(custName)), ''), max(custNo), '') AS label,
       count(DISTINCT keyNo) AS orders, count(*), total(unQty),
       max(julianday(:day) - julianday(date(dlvDate)))
FROM view_qry_bus_so_un WHERE dlvDate < :weekEnd
GROUP BY 1, 2 ORDER BY 1, orders DESC, label, grp)";

// Open task lines as the flow cards read them (view_bus_task_det: planned qty, finished fQty,
// done once received in full), read once: per department, and the earliest planned lines.
constexpr std::string_view kOpenTaskLines = R"(
WITH open AS MATERIALIZED (
  SELECT taskNo, gsNo, procName, depNo, depName, qty, coalesce(fQty, 0) AS fQty, pDate
  FROM view_bus_task_det WHERE done = 0 AND qty > 0)
SELECT 0 AS part, coalesce(nullif(trim(max(depName)), ''), '未指定部门') AS label,
       coalesce(depNo, ''), total(max(qty - fQty, 0)) AS waiting, count(*), total(qty),
       total(fQty), 0 AS rank
FROM open GROUP BY depNo
UNION ALL
SELECT 1, taskNo || ' ' || coalesce(procName, ''), coalesce(gsNo, ''), qty, fQty,
       round(100.0 * fQty / qty, 1), 0,
       row_number() OVER (ORDER BY pDate IS NULL, pDate, taskNo) AS rank
FROM open ORDER BY part, rank, waiting DESC, label)";

// An item's stock over every warehouse against its limits; an item never stocked has none.
constexpr std::string_view kStockLimits = R"(
WITH stock AS (SELECT productNo, total(Qty) AS qty FROM wh_stock GROUP BY productNo)
SELECT trim(coalesce(nullif(trim(p.productName), ''), p.productNo) || ' ' ||
            coalesce(p.productSize, '')) AS label,
       p.productNo, coalesce(s.qty, 0) AS qty, p.lowQty, p.highQty
FROM bas_products p LEFT JOIN stock s ON s.productNo = p.productNo
WHERE (p.lowQty > 0 AND coalesce(s.qty, 0) < p.lowQty)
   OR (p.highQty > 0 AND coalesce(s.qty, 0) > p.highQty))";

// Receipts and issues by day as the stock figures count them (view_stock_move): a document of
// no warehouse moves no stock.
constexpr std::string_view kMovesByDay = R"(
SELECT date(moveDate), total(inQty), total(outQty) FROM view_stock_move
WHERE moveDate >= :monthStart AND moveDate < :nextMonth
  AND whNo IN (SELECT depNo FROM bas_dep WHERE isWh = 1)
GROUP BY date(moveDate))";

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
    late.push_back({row.label, row.keyNo, row.v1, row.v3, numberAt(r, 6)});
  }
  if (late.size() > 6) late.resize(6);

  // Every day of the week gets its bar, an empty day too.
  DashboardRow due{d.day, d.day};
  std::vector<DashboardRow> dueRows;
  for (const protocol::Row& r :
       call.db
           .query("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 6) "
                  "SELECT date(:day, '+' || i || ' days') FROM n ORDER BY i",
                  {{"day", d.day}})
           .rows) {
    const std::string day = textOf(r.at(0));
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
  for (const protocol::Row& r : call.db.query(kOpenTaskLines).rows) {
    if (numberAt(r, 0) == 0) {
      waiting.push_back(
          {textOf(r.at(1)), textOf(r.at(2)), numberAt(r, 3), numberAt(r, 4), numberAt(r, 5)});
      progress.v1 += numberAt(r, 4);
      progress.v2 += numberAt(r, 5);
      progress.v3 += numberAt(r, 6);
      waitingTotal.v1 += 1;
      waitingTotal.v2 += numberAt(r, 3);
      waitingTotal.v3 += numberAt(r, 4);
    } else if (earliest.size() < kTopRows) {
      earliest.push_back(
          {textOf(r.at(1)), textOf(r.at(2)), numberAt(r, 3), numberAt(r, 4), numberAt(r, 5)});
    }
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

// Both months, wages and fees, in one pass over the records.
void wages(ProcedureCall& call, const Days& d, Board& board) {
  const std::string thisStart = d.monthStart + " 00:00:00";
  DashboardRow wage{"计件工资", "wage"}, fee{"外协加工费", "fee"};
  const RecordSet rs = call.db.query(
      std::string(kWageRecords) +
          "SELECT r.inspDate >= :thisStart, r.outsourced, total(r.wage) FROM records r "
          "WHERE r.outsourced = 1 OR " +
          std::string(kWagePaidToStaff) + " GROUP BY 1, 2",
      {{"start", d.lastMonthStart + " 00:00:00"},
       {"end", d.monthEnd},
       {"thisStart", thisStart},
       {"outsourced", Value{}}});
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
