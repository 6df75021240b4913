// Registers the stock screens: the stock figures with their ledger and item detail, and the
// opening stock.
#pragma once

namespace qk::client {

void registerStockScreens();

}  // namespace qk::client
