// exec sp_getWage_m 'start','end'            one row per employee: staffNo, staffName, wage
// exec sp_getWage_d 'start','end','staffNo'  the process records behind one employee's wage
// exec sp_getFee_m 'start','end'             one row per outsourcing department: depNo, depName,
//                                            wage (the fee)
// exec sp_getFee_d 'start','end','depNo'     the process records behind one department's fee
//
// A process record of a flow card earns its good quantity times the quota of its task line's
// product and process (bas_quote). Work of a task line given to an outsourcing department is
// paid to that department as a fee, all other work to the employee as a wage. Every total is
// the sum of the rounded amounts of its detail rows, so the two grids always agree. The
// procedures only read.
#include <string>

#include "server/procedures/registry.h"
#include "server/procedures/wage_records.h"

namespace qk::server {

namespace {

constexpr std::string_view kDetailColumns =
    "SELECT inspDate, taskNo, des, procName, gqty, quote, wage FROM records ";

// The period's bound, normalised to the stored form of date-times ("2026-12-01" is midnight).
std::string periodBound(ProcedureCall& call, std::size_t i) {
  const std::string text = call.text(i);
  const protocol::RecordSet rs = call.db.query("SELECT datetime(:t)", {{"t", text}});
  const std::string* bound = rs.rows.empty() ? nullptr : std::get_if<std::string>(&rs.rows[0][0]);
  if (!bound) throw db::DbError("日期格式不正确: " + text);
  return *bound;
}

db::Params period(ProcedureCall& call, bool outsourced) {
  return {{"start", periodBound(call, 0)},
          {"end", periodBound(call, 1)},
          {"outsourced", std::int64_t{outsourced ? 1 : 0}}};
}

std::optional<protocol::RecordSet> wageTotals(ProcedureCall& call) {
  return call.db.query(
      std::string(kWageRecords) +
          "SELECT r.staffNo AS staffNo, s.staffName AS staffName, total(r.wage) AS wage "
          "FROM records r LEFT JOIN bas_staff s ON s.staffNo = r.staffNo "
          "WHERE " +
          std::string(kWagePaidToStaff) + " GROUP BY r.staffNo, s.staffName ORDER BY r.staffNo",
      period(call, false));
}

std::optional<protocol::RecordSet> wageDetail(ProcedureCall& call) {
  db::Params params = period(call, false);
  params.emplace("who", call.text(2));
  return call.db.query(std::string(kWageRecords) + std::string(kDetailColumns) +
                           "WHERE staffNo = :who AND :who <> '' ORDER BY inspDate, sysid",
                       params);
}

std::optional<protocol::RecordSet> feeTotals(ProcedureCall& call) {
  return call.db.query(std::string(kWageRecords) +
                           "SELECT r.depNo AS depNo, d.depName AS depName, total(r.wage) AS wage "
                           "FROM records r LEFT JOIN bas_dep d ON d.depNo = r.depNo "
                           "GROUP BY r.depNo, d.depName ORDER BY r.depNo",
                       period(call, true));
}

std::optional<protocol::RecordSet> feeDetail(ProcedureCall& call) {
  db::Params params = period(call, true);
  params.emplace("who", call.text(2));
  return call.db.query(std::string(kWageRecords) + std::string(kDetailColumns) +
                           "WHERE depNo = :who ORDER BY inspDate, sysid",
                       params);
}

}  // namespace

void registerWageProcedures() {
  registerProcedure("sp_getWage_m", wageTotals);
  registerProcedure("sp_getWage_d", wageDetail);
  registerProcedure("sp_getFee_m", feeTotals);
  registerProcedure("sp_getFee_d", feeDetail);
}

}  // namespace qk::server
