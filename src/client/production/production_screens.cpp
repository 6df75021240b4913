#include "client/production/production_screens.h"

#include <QDialog>
#include <QLineEdit>
#include <memory>

#include "client/masterdata/products_form.h"
#include "client/production/bom_form.h"
#include "client/production/flow_form.h"
#include "client/production/process_card_form.h"
#include "client/production/task_form.h"
#include "client/production/task_query_form.h"
#include "client/production/wage_fee_forms.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerProductionScreens() {
  registerForm<TbomForm>("bomAction");
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
  registerScreen("bus_flowAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    auto form = std::make_unique<Tbus_flowForm>(parent);
    form->formShow();
    return form;
  });
  // A sales-order line's detail is its flow card, loaded for its item number.
  Tsys_qryForm::detailHandler("qry_bus_so") = [](Tsys_qryForm& from, const QVariantMap& row) {
    Tbus_flowForm form(&from);
    form.formShow();
    form.taskEdit->setText(row.value("gsNo").toString());
    form.loadFlowCard(form.taskEdit->text());
    desktop().exec(form);
  };
  registerForm<Tbus_task_qryForm>("bus_task_qryAction");
  registerForm<Tqry_wageForm>("bus_wageAction");
  registerForm<Tqry_feeForm>("bus_feeAction");
  registerProcessCardScreen();
}

}  // namespace qk::client
