#include "client/stock/stock_screens.h"

#include <QDialog>
#include <memory>

#include "client/stock/opening_stock_form.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerStockScreens() {
  registerScreen("wh_stockAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Twh_initForm>(parent);
  });
}

}  // namespace qk::client
