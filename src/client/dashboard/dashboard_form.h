// The screen "工厂看板" (dashboardAction): the dashboard in a window of its own, with 关闭.
#pragma once

#include <QDialog>

namespace qk::client {

class DashboardView;

class TdashboardForm : public QDialog {
  Q_OBJECT
 public:
  explicit TdashboardForm(QWidget* parent = nullptr);

  DashboardView* view() const { return view_; }

 private:
  DashboardView* view_;
};

// Registers the screen under dashboardAction.
void registerDashboardScreen();

}  // namespace qk::client
