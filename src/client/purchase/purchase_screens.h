// The main window's bus_POAction and bus_PIAction.
#pragma once

namespace qk::client {

void registerPurchaseScreens();

}  // namespace qk::client
