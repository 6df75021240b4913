#include "client/app/screens.h"

#include <memory>

#include "client/app/actions.h"
#include "client/app/client_config.h"
#include "client/data/data_module.h"
#include "client/masterdata/master_lists.h"
#include "client/query/sys_qry_form.h"
#include "client/report/sys_report_form.h"
#include "client/warehouse/warehouse_forms.h"

namespace qk::client {

namespace {

struct QueryPreset {
  const char* action;
  const char* caption;
  const char* queryId;
  bool detail;
};

const QueryPreset kPresets[] = {
    {"bus_SO_qryAction", "销售订单查询", "qry_bus_so", false},
    {"bus_PO_qryAction", "采购订单查询", "qry_bus_po", false},
    {"bus_PI_qryAction", "采购入库单查询", "qry_bus_pi", false},
    {"bus_SD_qryAction", "销售发货单查询", "qry_bus_sd", false},
    {"wh_In_qryAction", "入库单查询", "qry_wh_in", false},
    {"wh_out_qryAction", "出库单查询", "qry_wh_out", false},
    {"bus_task_qryAction", "生产任务单查询", "qry_bus_task", false},
    {"wh_viewAction", "库存查询", "qry_wh_view", true},
    {"bus_SO_unfAction", "未交付订单查询", "qry_bus_so_un", true},
};

}  // namespace

void registerStandardScreens() {
  for (const QueryPreset& preset : kPresets) {
    registerScreen(preset.action, [preset](QWidget* parent) -> QDialog* {
      auto* dlg = new Tsys_qryForm(dm(), parent);
      if (QString(preset.action) == "bus_SO_unfAction") dlg->modeText = "so_unf";
      dlg->setWindowTitle(preset.caption);
      dlg->queryId = preset.queryId;
      dlg->loadQuery(preset.queryId);
      dlg->setTreeVisible(false);
      dlg->setDetailVisible(preset.detail);
      return dlg;
    });
  }
  // The report centre: every stored query in its tree.
  registerScreen("sys_qryAction",
                 [](QWidget* parent) -> QDialog* { return new Tsys_qryForm(dm(), parent); });
  // Report design: every category's reports in the tree.
  registerScreen("sys_reportAction", [](QWidget* parent) -> QDialog* {
    Tsys_reportForm::setCacheDir(programDir() + "/report");
    auto dlg = std::make_unique<Tsys_reportForm>(parent);
    dlg->category.clear();
    dlg->treeMode = true;
    dlg->loadReports();
    return dlg.release();
  });
  registerMasterDataScreens();
  registerWarehouseScreens();
}

}  // namespace qk::client
