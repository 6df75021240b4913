#include "client/app/actions.h"

namespace qk::client {

const std::vector<ActionDef>& rightsActions() {
  static const std::vector<ActionDef> list{
      {"productAction", "物料设置", "bas", true},
      {"pIdAction", "物料类别设置", "bas", true},
      {"exitAction", "退出", "bas", false},
      {"reportAction", "报表设计", "bas", false},
      {"depAction", "部门设置", "bas", true},
      {"staffAction", "职员设置", "bas", true},
      {"drawingIdAction", "图纸类别", "bas", true},
      {"bomAction", "bom物料清单", "bas", true},
      {"drawingAction", "产品图纸", "bas", true},
      {"deviceAction", "设备资料", "bas", true},
      {"processAction", "工序资料", "bas", true},
      {"cutterAction", "刀具资料", "bas", false},
      {"supAction", "供应商资料", "bas", true},
      {"custAction", "客户资料", "bas", true},
      {"whAction", "仓库资料", "bas", true},
      {"docTypeAction", "单据类型", "bas", true},
      {"wh_stockAction", "期初库存设置", "bas", true},
      {"bus_SOAction", "销售订单", "bus", true},
      {"bus_POAction", "采购订单", "bus", true},
      {"bus_PIAction", "采购入库单", "bus", true},
      {"bus_SDAction", "销售发货单", "bus", true},
      {"bus_taskAction", "生产任务单", "bus", true},
      {"wh_InAction", "入库单", "bus", true},
      {"wh_outAction", "出库单", "bus", true},
      {"bus_checkAction", "生产任务完工单", "bus", true},
      {"wh_mat_outAction", "原材料出库单", "bus", true},
      {"check_POAction", "进货检验单", "bus", true},
      {"check_mcAction", "质量证明书", "bus", true},
      {"bus_flowAction", "工序流转卡", "bus", true},
      {"bus_SO_qryAction", "销售订单统计", "Query", true},
      {"bus_PO_qryAction", "采购订单统计", "Query", true},
      {"bus_PI_qryAction", "采购入库单统计", "Query", true},
      {"bus_SD_qryAction", "销售发货单统计", "Query", true},
      {"bus_task_qryAction", "生产任务单统计", "Query", true},
      {"wh_In_qryAction", "入库单统计", "Query", true},
      {"wh_out_qryAction", "出库单统计", "Query", true},
      {"wh_viewAction", "库存查询", "Query", true},
      {"bus_SO_unfAction", "未交付订单统计", "Query", true},
      {"sys_qryAction", "综合查询", "Query", true},
      {"stock_inventoryAction", "存货统计", "Query", true},
      {"bus_wageAction", "工资统计", "Query", true},
      {"bus_feeAction", "外协加工费统计", "Query", true},
      {"dashboardAction", "工厂看板", "Query", true},
      {"sys_rightsAction", "权限设置", "sys", true},
      {"sys_reportAction", "报表设计", "sys", true},
      {"sys_userAction", "用户设置", "sys", true},
      {"sys_pwdAction", "修改密码", "sys", true},
      {"sys_configAction", "系统设置", "sys", true},
      {"sys_logAction", "系统日志", "sys", true},
      {"sys_colAction", "表格显示设置", "sys", true},
      {"sys_qry_setAction", "综合查询设置", "sys", true},
  };
  return list;
}

const ActionDef* findAction(const QString& name) {
  for (const auto& a : rightsActions())
    if (name == a.name) return &a;
  return nullptr;
}

const std::vector<RibbonTab>& ribbonLayout() {
  static const std::vector<RibbonTab> tabs{
      {"基础数据",
       {{"depAction", "staffAction"},
        {"pIdAction", "productAction", "drawingIdAction", "drawingAction", "bomAction"},
        {"deviceAction", "processAction"},
        {"custAction", "supAction"},
        {"docTypeAction", "wh_stockAction"}}},
      {"业务数据",
       {{"bus_SOAction", "bus_SDAction"},
        {"bus_POAction", "bus_PIAction", "check_POAction", "check_mcAction"},
        {"wh_mat_outAction", "wh_InAction", "wh_outAction"},
        {"bus_taskAction", "bus_flowAction"}}},
      {"查询统计",
       {{"dashboardAction"},
        {"bus_SO_qryAction", "bus_PO_qryAction", "bus_PI_qryAction", "bus_SD_qryAction",
         "wh_In_qryAction", "wh_out_qryAction", "sys_qryAction", "bus_SO_unfAction"},
        {"wh_viewAction", "bus_task_qryAction", "stock_inventoryAction"},
        {"bus_wageAction", "bus_feeAction"}}},
      {"系统设置",
       {{"sys_userAction", "sys_rightsAction", "sys_pwdAction", "sys_logAction"},
        {"sys_reportAction", "sys_colAction", "sys_qry_setAction", "sys_configAction"}}},
      {"帮助", {{"aboutAction", "helpAction"}}},
  };
  return tabs;
}

bool actionNeedsNoScreen(const QString& actionName) {
  return actionName == "exitAction" || actionName == "reportAction" || actionName == "cutterAction";
}

}  // namespace qk::client
