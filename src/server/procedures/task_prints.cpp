// exec sp_countTaskPrints ',taskNo1,taskNo2,'   counts one more print of each listed task line
// Printing task sheets counts the prints of the listed lines; holders of the statistics screen
// may do that without the right to change task lines, so the count is a procedure of its own.
#include "server/procedures/registry.h"

namespace qk::server {

namespace {

std::optional<protocol::RecordSet> countTaskPrints(ProcedureCall& call) {
  const std::string listed = call.text(0);
  if (listed.size() < 3) return std::nullopt;  // nothing listed
  // The numbers travel as one text: a statement takes only so many parameters.
  call.db.execute(
      "UPDATE bus_task_det SET printCnt = coalesce(printCnt, 0) + 1 "
      "WHERE instr(:listed, ',' || taskNo || ',') > 0",
      {{"listed", listed}});
  return std::nullopt;
}

}  // namespace

void registerTaskProcedures() {
  registerProcedure("sp_countTaskPrints", countTaskPrints);
}

}  // namespace qk::server
