#include "client/production/production_screens.h"

#include <QDialog>
#include <memory>

#include "client/masterdata/products_form.h"
#include "client/production/bom_form.h"
#include "client/production/task_form.h"
#include "client/production/task_query_form.h"
#include "client/production/wage_fee_forms.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerProductionScreens() {
  registerScreen("bomAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<TbomForm>(parent);
  });
  registerProductScreen("bomAction", [](QWidget* parent, const QString& productNo) {
    TbomForm form(parent);
    form.openForProduct(productNo);
    desktop().exec(form);
  });
  registerScreen("bus_taskAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    auto form = std::make_unique<Tbus_taskForm>(parent);
    form->formShow();
    return form;
  });
  registerScreen("bus_task_qryAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Tbus_task_qryForm>(parent);
  });
  registerScreen("bus_wageAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Tqry_wageForm>(parent);
  });
  registerScreen("bus_feeAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Tqry_feeForm>(parent);
  });
}

}  // namespace qk::client
