#include "server/core/providers.h"

#include <array>

#include "protocol/value.h"

namespace qk::server {

namespace {

// Providers whose rows are exactly one table's rows name that table for applying; those that
// rename or compose columns name none, so a change log sent to them cannot be mistaken for rows
// of the underlying table.
constexpr std::array kProviders{
    // General statements and result lists: the client always sends its own SQL text.
    Provider{"pubDSP", "", ""},
    Provider{"tmpDSP", "", ""},
    Provider{"selectDSP", "", ""},
    Provider{"selectDetailDSP", "", ""},
    Provider{"UpdateMainDSP", "", ""},
    Provider{"UpdateDetailDSP", "", ""},

    // Master data.
    Provider{"custDSP", "select * from bas_cust order by custNo", "bas_cust"},
    Provider{"supDSP", "select * from bas_sup order by supNo", "bas_sup"},
    Provider{"depDSP", "select * from bas_dep order by depNo", "bas_dep"},
    Provider{"staffDSP", "select * from bas_staff order by staffNo", "bas_staff"},
    Provider{"deviceDSP", "select * from bas_device order by devNo", "bas_device"},
    Provider{"processDSP", "select * from bas_process order by procNo", "bas_process"},
    Provider{"whDSP",
             "select depNo as whNo, depName as whName, remark from bas_dep where isWh = 1 "
             "order by depNo",
             ""},
    Provider{"docDSP", "select * from bas_doc order by docId, docNo", "bas_doc"},
    Provider{"dIdDSP", "select * from bas_dId order by drwIdNo", "bas_dId"},
    // The drawing file itself is read and written one row at a time, never with the list.
    Provider{"drawingDSP",
             "select drwNo, productNo, drwIdNo, remark, ext from bas_drawing order by drwNo",
             "bas_drawing"},
    Provider{"quoteDSP", "select * from bas_quote order by productNo, procNo", "bas_quote"},
    Provider{"productsDSP", "select * from bas_products order by productNo", "bas_products"},
    Provider{"gTypeDSP", "select * from bas_productId order by productId", "bas_productId"},
    Provider{"taskIdSP", "select * from bas_taskId order by taskIdNo", "bas_taskId"},
    Provider{"devLUDSP",
             "select devNo, rtrim(devNo || ' ' || coalesce(devName, '') || ' ' || "
             "coalesce(devSize, '')) as dev from bas_device order by devNo",
             ""},
    // The tree sp_getBomTree prepared for the session (empty before any).
    Provider{"bomDSP", "exec sp_bomTreeRows", ""},

    // Administration. The password hash never leaves the server.
    Provider{"userDSP",
             "select userId, userName, '' as pwd, remark from sys_user order by userName",
             "sys_user"},
    Provider{"rightsDSP", "select * from sys_rights order by userName, actionNo", "sys_rights"},
    Provider{"actionDSP", "select actionNo, actionName from sys_action order by sortNo",
             "sys_action"},
    Provider{"reportsDSP", "select * from sys_report order by repNo", "sys_report"},
    Provider{"configDSP", "select * from sys_config", "sys_config"},
};

}  // namespace

std::span<const Provider> providers() {
  return kProviders;
}

const Provider* findProvider(std::string_view name) {
  for (const Provider& p : kProviders) {
    if (protocol::iequals(p.name, name)) return &p;
  }
  return nullptr;
}

}  // namespace qk::server
