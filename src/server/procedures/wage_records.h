// The process records behind piece wages and outsourcing fees, shared by the wage statistics and
// the dashboard so the two never disagree. A CTE named `records` over the period :start..:end
// (stored date-time texts); :outsourced picks fees (1) or wages (0), null both (the column
// outsourced tells them apart). Only reads.
#pragma once

#include <string_view>

namespace qk::server {

// A process record of a flow card earns its good quantity times the quota of its task line's
// product and process (bas_quote), rounded per record so totals equal the sum of the detail.
inline constexpr std::string_view kWageRecords = R"(
WITH records AS (
  SELECT f.inspDate AS inspDate, f.taskNo AS taskNo, f.staffNo AS staffNo, t.depNo AS depNo,
         coalesce(nullif(t.des, ''), p.des) AS des, pr.procName AS procName,
         coalesce(f.gqty, 0) AS gqty, coalesce(q.quote, 0) AS quote,
         round(coalesce(f.gqty, 0) * coalesce(q.quote, 0), 2) AS wage, f.sysid AS sysid,
         coalesce(d.isOw, 0) AS outsourced
  FROM bus_flow f
  JOIN bus_task_det t ON t.taskNo = f.taskNo
  LEFT JOIN view_bas_prd_des p ON p.productNo = t.productNo
  LEFT JOIN bas_process pr ON pr.procNo = t.procNo
  LEFT JOIN bas_quote q ON q.productNo = t.productNo AND q.procNo = t.procNo
  LEFT JOIN bas_dep d ON d.depNo = t.depNo
  WHERE f.inspDate >= :start AND f.inspDate <= :end
    AND (CAST(:outsourced AS INTEGER) IS NULL OR coalesce(d.isOw, 0) = :outsourced))
)";

// Wages go to an employee: records without one are in no employee's total.
inline constexpr std::string_view kWagePaidToStaff = "coalesce(r.staffNo, '') <> ''";

}  // namespace qk::server
