#include "client/app/screens.h"

#include <QDialog>
#include <memory>

#include "client/admin/admin_screens.h"
#include "client/app/client_config.h"
#include "client/dashboard/dashboard_form.h"
#include "client/masterdata/master_lists.h"
#include "client/production/production_screens.h"
#include "client/purchase/purchase_screens.h"
#include "client/quality/check_form.h"
#include "client/query/query_presets.h"
#include "client/report/sys_report_form.h"
#include "client/sales/bus_so_form.h"
#include "client/stock/stock_screens.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerStandardScreens() {
  registerQueryScreens();
  // Report design: every category's reports in the tree.
  registerScreen("sys_reportAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    Tsys_reportForm::setCacheDir(programDir() + "/report");
    auto dlg = std::make_unique<Tsys_reportForm>(parent);
    dlg->category.clear();
    dlg->treeMode = true;
    dlg->loadReports();
    return dlg;
  });
  registerMasterDataScreens();
  registerWarehouseScreens();
  registerSalesScreens();
  registerPurchaseScreens();
  registerProductionScreens();
  registerQualityScreens();
  registerStockScreens();
  registerAdminScreens();
  registerDashboardScreen();
}

}  // namespace qk::client
