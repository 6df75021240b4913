#include "client/purchase/purchase_screens.h"

#include "client/purchase/bus_pi_form.h"
#include "client/purchase/bus_po_form.h"

namespace qk::client {

void registerPurchaseScreens() {
  registerDocument<Tbus_POForm>("bus_POAction");
  registerDocument<Tbus_PIForm>("bus_PIAction");
}

}  // namespace qk::client
