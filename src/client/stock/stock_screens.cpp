#include "client/stock/stock_screens.h"

#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerStockScreens() {}

}  // namespace qk::client
