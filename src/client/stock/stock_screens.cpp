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
  registerScreen("stock_inventoryAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<TStockQryForm>(parent);
  });
  // The stock query's detail: the movements of the row's item in the row's warehouse.
  Tsys_qryForm::detailHandler("qry_wh_view") = [](Tsys_qryForm& from, const QVariantMap& row) {
    Tstock_detForm detail(&from);
    detail.open(row.value("productNo").toString(), row.value("whNo").toString());
    desktop().exec(detail);
  };
  registerScreen("wh_stockAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Twh_initForm>(parent);
  });
}

}  // namespace qk::client
