#include "server/core/rights_map.h"

#include "protocol/value.h"

namespace qk::server {

namespace {

// Every table a screen of the action list writes. Screens opened from another screen (quotas,
// drawings and supplier prices from the products screen, process cards from the flow cards)
// write under either action.
constexpr TableRights kTables[] = {
    // Master data: the list screens.
    {"bas_cust", "客户资料", {"custAction"}},
    {"bas_sup", "供应商资料", {"supAction"}},
    {"bas_dep", "部门资料", {"depAction", "whAction"}},  // warehouses are departments
    {"bas_staff", "职员资料", {"staffAction"}},
    {"bas_device", "设备资料", {"deviceAction"}},
    {"bas_process", "工序资料", {"processAction"}},
    {"bas_doc", "单据类型", {"docTypeAction"}},
    {"bas_productId", "物料类别", {"pIdAction", "productAction"}},
    {"bas_products", "物料资料", {"productAction"}},
    {"bas_quote", "工序定额", {"productAction"}},
    {"bas_supPrice", "供应商报价", {"productAction"}},
    {"bas_dId", "图纸类别", {"drawingIdAction"}},
    {"bas_drawing", "产品图纸", {"drawingAction", "productAction"}},
    {"bom", "物料清单", {"bomAction", "productAction"}},
    {"wh_stock", "期初库存", {"wh_stockAction"}},

    // Documents: master and lines under the document's action.
    {"bus_SO", "销售订单", {"bus_SOAction"}},
    {"bus_so_det", "销售订单", {"bus_SOAction"}},
    {"bus_SD", "销售发货单", {"bus_SDAction"}},
    {"bus_sd_det", "销售发货单", {"bus_SDAction"}},
    {"bus_PO", "采购订单", {"bus_POAction"}},
    {"bus_po_det", "采购订单", {"bus_POAction"}},
    {"bus_PI", "采购入库单", {"bus_PIAction"}},
    {"bus_pi_det", "采购入库单", {"bus_PIAction"}},
    {"bus_task", "生产任务单", {"bus_taskAction"}},
    {"bus_task_det", "生产任务单", {"bus_taskAction"}},
    // Also written by the shop-floor page's own statements (src/server/shop), which write no
    // other table.
    {"bus_flow", "工序流转卡", {"bus_flowAction"}},
    {"bus_flow_rec", "工序流转卡", {"bus_flowAction"}},
    {"bus_check", "工艺卡片", {"bus_checkAction", "bus_flowAction"}},
    {"bus_check_det", "工艺卡片", {"bus_checkAction", "bus_flowAction"}},
    {"wh_In", "入库单", {"wh_InAction"}},
    {"wh_in_det", "入库单", {"wh_InAction"}},
    {"wh_Out", "出库单", {"wh_outAction"}},
    {"wh_out_det", "出库单", {"wh_outAction"}},
    {"wh_mat", "原材料出库单", {"wh_mat_outAction"}},
    {"wh_mat_det", "原材料出库单", {"wh_mat_outAction"}},
    {"check_m", "进货检验单", {"check_POAction"}},
    {"check_d", "进货检验单", {"check_POAction"}},
    {"check_mat_m", "质量证明书", {"check_mcAction"}},
    {"check_mat_d", "质量证明书", {"check_mcAction"}},

    // Administration: only under the screen that edits the table.
    {"sys_user", "用户资料", {"sys_userAction"}, CheckAfter::UserAdmins, "pwd"},
    {"sys_rights", "用户权限", {"sys_rightsAction"}, CheckAfter::UserAdmins},
    {"sys_action", "功能列表", {"sys_rightsAction"}},
    {"sys_config", "系统设置", {"sys_configAction"}},
    {"bas_form", "单据编号规则", {"sys_configAction"}},
    {"sys_report", "报表模板", {"sys_reportAction"}},
    {"sys_col", "表格显示设置", {"sys_colAction"}},
    {"sys_filter_sql", "查询定义", {"sys_qry_setAction"}},
    {"sys_filter", "查询定义", {"sys_qry_setAction"}},

    // The log of logins and screen openings that the main window writes for everyone.
    {"sys_log", "登录日志", {}, CheckAfter::OwnLogRows},
    {"sys_log_det", "操作日志", {}, CheckAfter::OwnLogRows},
};

constexpr ProcedureRights kProcedures[] = {
    // One's own password with the old one, another's under the user screen's right.
    {"sp_setPassword", {}},
    {"sp_bom_insert", {"bomAction", "productAction"}},
    // Shop-floor PINs (qk_staff_pin, which no client statement reads or writes), from the staff
    // list.
    {"sp_setStaffPin", {"staffAction"}},
    // Printing task sheets counts prints without the right to change task lines.
    {"sp_countTaskPrints", {"bus_taskAction", "bus_task_qryAction"}},
    // Stock figures carry values: only for the stock screens (the ledger and the item detail
    // fill the session's own tables).
    {"sp_stock_history", {"stock_inventoryAction"}},
    {"sp_stock_det", {"stock_inventoryAction"}},
    {"sp_stock_Detail", {"stock_inventoryAction", "wh_viewAction"}},
    // Padding a certificate for print and removing the fillers write its lines.
    {"sp_mc_pad", {"check_mcAction"}},
    {"sp_mc_clean", {"check_mcAction"}},
    // The dashboard's figures carry wages, fees and stock: only for the dashboard's holders.
    {"sp_dashboard", {"dashboardAction"}},
};

}  // namespace

std::span<const TableRights> rightsMap() {
  return kTables;
}

const TableRights* findTableRights(std::string_view table) {
  for (const TableRights& t : kTables)
    if (protocol::iequals(t.table, table)) return &t;
  return nullptr;
}

const ProcedureRights* findProcedureRights(std::string_view procedure) {
  for (const ProcedureRights& p : kProcedures)
    if (protocol::iequals(p.procedure, procedure)) return &p;
  return nullptr;
}

}  // namespace qk::server
