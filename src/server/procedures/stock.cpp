// The stock procedures: figures of a period computed from wh_stock and the movements of
// view_stock_move (see docs/DATABASE.md for which documents move stock and how they are valued).
//   exec sp_stock_history from, to, warehouses        one row per warehouse and item
//   exec sp_stock_det from, to, warehouses, item|all  the ledger into ##tmp_stock_det
//   exec sp_stock_Detail product, warehouse           all movements of one pair into ##stock_detail
// Warehouses arrive as their numbers joined without a separator and are resolved against the
// existing warehouses; a text that splits more than one way is refused, never guessed. Results
// live in the session's own temporary tables, so two clients never see each other's rows.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"
#include "server/procedures/registry.h"

namespace qk::server {

namespace {

using protocol::Json;
using protocol::valueToJson;

// Figures per warehouse and item. The opening is the opening stock, the months before the
// period's month and that month's days before the start; issues are valued at the pair's average
// price. So only the documents from the month's first day to the period's end are read.
constexpr std::string_view kHistory = R"(
WITH before AS (
  SELECT whNo, productNo, total(inQty) AS bIn, total(inMoney) AS bInMoney, total(outQty) AS bOut
  FROM qk_stock_month
  WHERE month < :month AND whNo IN (@warehouses)
    AND (CAST(:item AS TEXT) IS NULL OR productNo = :item)
  GROUP BY whNo, productNo),
mv AS (
  SELECT whNo, productNo,
         total(CASE WHEN moveDate < :from THEN inQty END) AS eIn,
         total(CASE WHEN moveDate < :from THEN inMoney END) AS eInMoney,
         total(CASE WHEN moveDate < :from THEN outQty END) AS eOut,
         total(CASE WHEN moveDate >= :from THEN inQty END) AS pIn,
         total(CASE WHEN moveDate >= :from THEN inMoney END) AS pInMoney,
         total(CASE WHEN moveDate >= :from THEN outQty END) AS pOut
  FROM view_stock_move
  WHERE moveDate >= :month AND moveDate <= :to AND whNo IN (@warehouses)
    AND (:item IS NULL OR productNo = :item)
  GROUP BY whNo, productNo)
SELECT s.whNo AS depNo, s.productNo AS gNo, w.depName AS depName, p.des AS des,
       p.productUnit AS gUnit,
       round(coalesce(s.initQty, 0) + coalesce(b.bIn, 0) - coalesce(b.bOut, 0)
             + coalesce(mv.eIn, 0) - coalesce(mv.eOut, 0), 5) AS iniQty,
       round(coalesce(s.initQty, 0) * coalesce(s.initPrice, 0) + coalesce(b.bInMoney, 0)
             + coalesce(mv.eInMoney, 0)
             - (coalesce(b.bOut, 0) + coalesce(mv.eOut, 0)) * coalesce(s.uPrice, 0), 5) AS iniMoney,
       round(coalesce(mv.pIn, 0), 5) AS bq1, round(coalesce(mv.pInMoney, 0), 5) AS bq1Money,
       round(coalesce(mv.pOut, 0), 5) AS bq2,
       round(coalesce(mv.pOut, 0) * coalesce(s.uPrice, 0), 5) AS bq2Money,
       p.lowQty AS lowQty, p.highQty AS highQty, coalesce(s.uPrice, 0) AS avgPrice
FROM wh_stock s
LEFT JOIN before b ON b.whNo = s.whNo AND b.productNo = s.productNo
LEFT JOIN mv ON mv.whNo = s.whNo AND mv.productNo = s.productNo
LEFT JOIN bas_dep w ON w.depNo = s.whNo
LEFT JOIN view_bas_prd_des p ON p.productNo = s.productNo
WHERE s.whNo IN (@warehouses) AND (:item IS NULL OR s.productNo = :item)
ORDER BY s.whNo, s.productNo)";

constexpr std::string_view kPeriodMoves = R"(
SELECT whNo, productNo, moveDate, kind, keyNo, batchNo, inQty, inMoney, outQty
FROM view_stock_move
WHERE moveDate >= :from AND moveDate <= :to
  AND whNo IN (@warehouses) AND (CAST(:item AS TEXT) IS NULL OR productNo = :item)
ORDER BY whNo, productNo, moveDate, kind, keyNo, lineNo)";

constexpr std::string_view kCreateLedger = R"(
CREATE TEMP TABLE IF NOT EXISTS "##tmp_stock_det" (
  y INTEGER, m INTEGER, d INTEGER, depNo VARCHAR(10), depName NVARCHAR(50), gNo VARCHAR(50),
  batchNo VARCHAR(20), des NVARCHAR(300), gUnit NVARCHAR(10), lowQty DECIMAL(18,5),
  highQty DECIMAL(18,5), keyNo VARCHAR(50), content NVARCHAR(50), flag NVARCHAR(10),
  planPrice DECIMAL(18,5), inQty DECIMAL(18,5), inUprice DECIMAL(18,5), inMoney DECIMAL(18,5),
  outQty DECIMAL(18,5), outPrice DECIMAL(18,5), outMoney DECIMAL(18,5), getQty DECIMAL(18,5),
  getPrice DECIMAL(18,5), getMoney DECIMAL(18,5), diffDebit DECIMAL(18,5),
  diffCredit DECIMAL(18,5), diffGet DECIMAL(18,5), parentId INTEGER, sysid INTEGER PRIMARY KEY,
  newPage INTEGER);
DELETE FROM temp."##tmp_stock_det";)";

constexpr std::string_view kCreateDetail = R"(
CREATE TEMP TABLE IF NOT EXISTS "##stock_detail" (
  sysid INTEGER PRIMARY KEY, parentId INTEGER, itemName NVARCHAR(20), keyNo VARCHAR(20),
  sysdate DATETIME, taskNo VARCHAR(20), qty DECIMAL(18,5), remark NVARCHAR(50));
DELETE FROM temp."##stock_detail";)";

// One group per kind of document, the opening stock first, the movements of each kind by date.
constexpr std::string_view kFillDetail = R"(
INSERT INTO temp."##stock_detail" (sysid, parentId, itemName, keyNo, sysdate, taskNo, qty, remark)
WITH kinds(kind, name) AS (
  VALUES (0, '期初库存'), (1, '入库单'), (2, '采购入库单'), (3, '出库单'), (4, '原材料出库单'),
         (5, '销售发货单')),
moves AS (
  SELECT 0 AS kind, NULL AS keyNo, NULL AS moveDate, NULL AS taskNo,
         coalesce(initQty, 0) AS qty, remark, 0 AS lineNo
  FROM wh_stock WHERE whNo = :wh AND productNo = :product AND coalesce(initQty, 0) <> 0
  UNION ALL
  SELECT kind, keyNo, moveDate, coalesce(nullif(taskNo, ''), nullif(batchNo, '')),
         inQty + outQty, remark, lineNo
  FROM view_stock_move WHERE whNo = :wh AND productNo = :product),
numbered AS (
  SELECT m.*, k.name, dense_rank() OVER (ORDER BY m.kind) AS grp,
         row_number() OVER (ORDER BY m.kind, m.moveDate, m.keyNo, m.lineNo) AS n
  FROM moves m JOIN kinds k ON k.kind = m.kind)
SELECT grp, 0, name, NULL, NULL, NULL, total(qty), NULL FROM numbered GROUP BY grp, name
UNION ALL
SELECT 1000 + n, grp, name, keyNo, moveDate, taskNo, qty, remark FROM numbered)";

const char* const kKindNames[] = {"期初库存", "入库单",       "采购入库单",
                                  "出库单",   "原材料出库单", "销售发货单"};

double number(const protocol::Value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return 0;
}

// A period bound as the documents' dates compare: "YYYY-MM-DD" for a midnight start (so a date
// stored without a time is inside), the whole day for an end without a time.
std::string periodBound(const std::string& text, bool end) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char sep1 = 0, sep2 = 0;
  const int n =
      std::sscanf(text.c_str(), " %d%c%d%c%d %d:%d:%d", &y, &sep1, &mo, &sep2, &d, &h, &mi, &s);
  if (text.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("查询期间的日期不能为空，请先选择期间", db::ErrorKind::Refused);
  const bool sepOk = (sep1 == '-' || sep1 == '/') && sep2 == sep1;
  if (n < 5 || !sepOk || y < 1900 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 ||
      h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
    throw db::DbError("查询期间的日期无法识别: " + text, db::ErrorKind::Refused);
  char out[32];
  if (n < 7 || (h == 0 && mi == 0 && s == 0)) {
    if (end)
      std::snprintf(out, sizeof out, "%04d-%02d-%02d 23:59:59", y, mo, d);
    else
      std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, mo, d);
  } else {
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  }
  return out;
}

// Splits the joined warehouse numbers into existing warehouses, each at most once. The numbers
// may differ in length, so more than one split can exist: then nothing is guessed.
std::vector<std::string> resolveWarehouses(db::Connection& db, const std::string& joined) {
  if (joined.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("请选择仓库!", db::ErrorKind::Refused);
  std::vector<std::string> numbers;
  for (const protocol::Row& r :
       db.query("SELECT depNo FROM bas_dep WHERE isWh = 1 AND depNo <> ''").rows)
    numbers.push_back(textOf(r[0]));
  const std::string text = foldCase(joined);
  std::set<std::vector<std::string>> splits;
  std::vector<std::string> path;
  int steps = 0;
  auto walk = [&](auto&& self, std::size_t at) -> void {
    if (splits.size() > 1 || ++steps > 100000) return;
    if (at == text.size()) {
      std::vector<std::string> set = path;
      std::sort(set.begin(), set.end());
      splits.insert(std::move(set));
      return;
    }
    for (const std::string& no : numbers) {
      const std::string folded = foldCase(no);
      if (text.compare(at, folded.size(), folded) != 0) continue;
      if (std::find(path.begin(), path.end(), no) != path.end()) continue;
      path.push_back(no);
      self(self, at + folded.size());
      path.pop_back();
    }
  };
  walk(walk, 0);
  if (splits.empty())
    throw db::DbError("仓库“" + joined + "”不是已有仓库编号的组合", db::ErrorKind::Refused);
  if (splits.size() > 1) {
    auto joinedBy = [](const std::vector<std::string>& v) {
      std::string s;
      for (const std::string& x : v) s += (s.empty() ? "" : "+") + x;
      return s;
    };
    throw db::DbError("仓库“" + joined + "”可以分成不同的仓库（" + joinedBy(*splits.begin()) +
                          " 或 " + joinedBy(*std::next(splits.begin())) +
                          "），无法确定要查询哪些仓库，请修改仓库编号",
                      db::ErrorKind::Refused);
  }
  return *splits.begin();
}

struct Period {
  std::string from, to;
  std::vector<std::string> warehouses;  // the resolved numbers
};

// The statement with its list of warehouses as parameters :wh0, :wh1, … in `params`.
std::string withWarehouses(std::string_view sql, const Period& p, db::Params& params) {
  std::string list;
  for (std::size_t i = 0; i < p.warehouses.size(); ++i) {
    const std::string name = "wh" + std::to_string(i);
    list += (i ? ", :" : ":") + name;
    params.emplace(name, p.warehouses[i]);
  }
  std::string out(sql);
  for (auto at = out.find("@warehouses"); at != std::string::npos; at = out.find("@warehouses"))
    out.replace(at, std::string_view("@warehouses").size(), list);
  return out;
}

Period periodOf(ProcedureCall& call) {
  Period p{periodBound(call.text(0), false), periodBound(call.text(1), true), {}};
  if (p.from > p.to) throw db::DbError("查询期间的开始日期晚于结束日期", db::ErrorKind::Refused);
  p.warehouses = resolveWarehouses(call.db, call.text(2));
  return p;
}

protocol::RecordSet history(db::Connection& db, const Period& p, const protocol::Value& item) {
  db::Params params{{"from", p.from}, {"month", p.from.substr(0, 7)}, {"to", p.to}, {"item", item}};
  const std::string sql = withWarehouses(kHistory, p, params);
  return db.query(sql, params);
}

std::optional<protocol::RecordSet> stockHistory(ProcedureCall& call) {
  const Period p = periodOf(call);
  protocol::RecordSet rs = history(call.db, p, protocol::Value{});
  // The limits and the average price serve the ledger only.
  rs.fields.resize(11);
  for (protocol::Row& r : rs.rows) r.resize(11);
  return rs;
}

// The ledger: per pair a row with its opening balance, under it every movement of the period
// with the running balance, and a closing row with the period's totals.
std::optional<protocol::RecordSet> stockLedger(ProcedureCall& call) {
  const Period p = periodOf(call);
  const std::string itemText = call.text(3);
  const protocol::Value item =
      protocol::iequals(itemText, "all") ? protocol::Value{} : protocol::Value{itemText};
  call.db.script(kCreateLedger);

  std::optional<db::Transaction> tx;  // the opening and the movements read from one state
  if (!call.db.inTransaction()) tx.emplace(call.db);
  const protocol::RecordSet pairs = history(call.db, p, item);
  db::Params moveParams{{"from", p.from}, {"to", p.to}, {"item", item}};
  const std::string movesSql = withWarehouses(kPeriodMoves, p, moveParams);
  const protocol::RecordSet moves = call.db.query(movesSql, moveParams);
  if (tx) tx->commit();

  Json rows = Json::array();
  std::int64_t sysid = 0;
  std::size_t next = 0;
  const int fy = std::stoi(p.from.substr(0, 4)), fm = std::stoi(p.from.substr(5, 2)),
            fd = std::stoi(p.from.substr(8, 2));
  auto money = [](double v) { return Json(std::round(v * 100000) / 100000); };
  auto price = [&](double value, double qty) { return money(qty != 0 ? value / qty : 0); };
  for (const protocol::Row& pair : pairs.rows) {
    const std::string wh = textOf(pair[0]), product = textOf(pair[1]);
    const std::string whKey = foldCase(wh), productKey = foldCase(product);
    double qty = number(pair[5]), value = number(pair[6]);
    const double avg = number(pair[13]);
    auto pairOf = [&](std::size_t i) {
      return std::pair(foldCase(textOf(moves.rows[i][0])), foldCase(textOf(moves.rows[i][1])));
    };
    const auto key = std::pair(whKey, productKey);
    // Both lists are in the same order; a movement without its pair is passed over.
    while (next < moves.rows.size() && pairOf(next) < key) ++next;
    const bool moved = next < moves.rows.size() && pairOf(next) == key;
    // "all" lists the pairs that hold or moved something; one item is always shown.
    if (item.index() == 0 && !moved && qty == 0 && value == 0) continue;
    const Json head{Json(),
                    Json(),
                    Json(),
                    wh,
                    valueToJson(pair[2]),
                    product,
                    "",
                    valueToJson(pair[3]),
                    valueToJson(pair[4]),
                    valueToJson(pair[11]),
                    valueToJson(pair[12])};
    auto row = [&](Json y, Json m, Json d, Json keyNo, Json batch, const char* content,
                   const char* flag, double inQ, double inM, double outQ, double outM,
                   std::int64_t parent) {
      Json r = head;
      r[0] = std::move(y);
      r[1] = std::move(m);
      r[2] = std::move(d);
      r[6] = std::move(batch);
      for (Json v :
           {std::move(keyNo), Json(content), Json(flag), Json(0), money(inQ), price(inM, inQ),
            money(inM), money(outQ), price(outM, outQ), money(outM), money(qty), price(value, qty),
            money(value), Json(0), Json(0), Json(0), Json(parent), Json(++sysid), Json(0)})
        r.push_back(std::move(v));
      rows.push_back(std::move(r));
      return sysid;
    };
    const std::int64_t parent = row(fy, fm, fd, "", "", "期初结存", "", 0, 0, 0, 0, 0);
    double inQ = 0, inM = 0, outQ = 0, outM = 0;
    for (; next < moves.rows.size() && pairOf(next) == key; ++next) {
      const protocol::Row& mv = moves.rows[next];
      const std::string date = textOf(mv[2]);
      const auto kind = static_cast<std::size_t>(number(mv[3]));
      const double iq = number(mv[6]), im = number(mv[7]), oq = number(mv[8]), om = oq * avg;
      qty += iq - oq;
      value += im - om;
      inQ += iq, inM += im, outQ += oq, outM += om;
      row(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)), std::stoi(date.substr(8, 2)),
          valueToJson(mv[4]), valueToJson(mv[5]),
          kind < std::size(kKindNames) ? kKindNames[kind] : "", iq != 0 ? "收入" : "发出", iq, im,
          oq, om, parent);
    }
    row(Json(), Json(), Json(), "", "", "本期合计", "", inQ, inM, outQ, outM, parent);
  }
  std::vector<protocol::Row> ledger;
  ledger.reserve(rows.size());
  for (const Json& r : rows) {
    protocol::Row& row = ledger.emplace_back();
    for (const Json& v : r) row.push_back(protocol::valueFromJson(v));
  }
  insertRows(call.db, R"(INSERT INTO temp."##tmp_stock_det")", ledger);
  return std::nullopt;
}

std::optional<protocol::RecordSet> stockDetail(ProcedureCall& call) {
  const std::string product = call.text(0), wh = call.text(1);
  if (product.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("请先选择要查看的物料", db::ErrorKind::Refused);
  call.db.script(kCreateDetail);
  call.db.execute(kFillDetail, {{"product", product}, {"wh", wh}});
  return std::nullopt;
}

}  // namespace

void registerStockProcedures() {
  registerProcedure("sp_stock_history", stockHistory);
  registerProcedure("sp_stock_det", stockLedger);
  registerProcedure("sp_stock_Detail", stockDetail);
}

}  // namespace qk::server
