#include "client/query/query_presets.h"

#include <QDialog>
#include <memory>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

namespace {

struct QueryPreset {
  const char* action;
  const char* caption;
  const char* queryId;
  bool detail = false;        // shows "明细"
  const char* modeText = "";  // handed to the dialog before its caption
};

const QueryPreset kPresets[] = {
    {"bus_SO_qryAction", "销售订单查询", "qry_bus_so"},
    {"bus_PO_qryAction", "采购订单查询", "qry_bus_po"},
    {"bus_PI_qryAction", "采购入库单查询", "qry_bus_pi"},
    {"bus_SD_qryAction", "销售发货单查询", "qry_bus_sd"},
    {"wh_In_qryAction", "入库单查询", "qry_wh_in"},
    {"wh_out_qryAction", "出库单查询", "qry_wh_out"},
    {"wh_viewAction", "库存查询", "qry_wh_view", true},
    {"bus_SO_unfAction", "未交付订单查询", "qry_bus_so_un", true, "so_unf"},
};

// The undelivered line's whole order: every line of it, in a second query dialog.
void showWholeOrder(Tsys_qryForm& from, const QVariantMap& row) {
  Tsys_qryForm orders(dm(), &from);
  orders.setWindowTitle("订单查询");
  orders.setDetailVisible(true);
  orders.loadQuery("qry_bus_so");
  orders.setTreeVisible(false);
  orders.callPage("view_qry_bus_so", "*", orders.keyName(),
                  " keyNo = " + quoted(row.value("keyNo").toString()), orders.sortName(), 1000, 1,
                  false);
  desktop().exec(orders);
}

}  // namespace

void registerQueryScreens() {
  for (const QueryPreset& preset : kPresets) {
    registerScreen(preset.action, [preset](QWidget* parent) -> std::unique_ptr<QDialog> {
      auto dlg = std::make_unique<Tsys_qryForm>(dm(), parent);
      dlg->modeText = preset.modeText;
      dlg->setWindowTitle(preset.caption);
      dlg->queryId = preset.queryId;
      dlg->loadQuery(preset.queryId);
      dlg->setTreeVisible(false);
      dlg->setDetailVisible(preset.detail);
      return dlg;
    });
  }
  // The report centre: every stored query in its tree.
  registerScreen("sys_qryAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Tsys_qryForm>(dm(), parent);
  });

  Tsys_qryForm::detailHandler("qry_bus_so_un") = showWholeOrder;
}

}  // namespace qk::client
