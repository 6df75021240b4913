#include "client/stock/stock_screens.h"

#include <QDialog>
#include <memory>

#include "client/query/sys_qry_form.h"
#include "client/stock/opening_stock_form.h"
#include "client/stock/stock_det_form.h"
#include "client/stock/stock_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerStockScreens() {
  registerForm<TStockQryForm>("stock_inventoryAction");
  // The stock query's detail: the movements of the row's item in the row's warehouse.
  Tsys_qryForm::detailHandler("qry_wh_view") = [](Tsys_qryForm& from, const QVariantMap& row) {
    Tstock_detForm detail(&from);
    detail.open(row.value("productNo").toString(), row.value("whNo").toString());
    desktop().exec(detail);
  };
  registerForm<Twh_initForm>("wh_stockAction");
}

}  // namespace qk::client
