#include "client/purchase/purchase_screens.h"

#include <memory>

#include "client/purchase/bus_pi_form.h"
#include "client/purchase/bus_po_form.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

namespace {

template <typename Form>
void registerDocument(const char* action) {
  registerScreen(action, [](QWidget* parent) -> std::unique_ptr<QDialog> {
    auto form = std::make_unique<Form>(parent);
    form->formShow();
    return form;
  });
}

}  // namespace

void registerPurchaseScreens() {
  registerDocument<Tbus_POForm>("bus_POAction");
  registerDocument<Tbus_PIForm>("bus_PIAction");
}

}  // namespace qk::client
