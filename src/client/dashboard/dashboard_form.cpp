#include "client/dashboard/dashboard_form.h"

#include <QToolBar>
#include <QVBoxLayout>

#include "client/dashboard/dashboard_view.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

TdashboardForm::TdashboardForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("工厂看板");
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new DashboardView(this);
  addToolActions(*view_->toolBar(), {{"关闭", 'C', "close", {}, [this] { reject(); }}},
                 view_->toolBar()->actions().value(3));
  layout->addWidget(view_);
  fitToScreen(*this, QSize(1340, 720));
}

void registerDashboardScreen() {
  registerForm<TdashboardForm>("dashboardAction");
}

}  // namespace qk::client
