// The factory dashboard: eight tiles of what is late, what is stuck and what is running out, each
// opening the screen behind it. Shown as the screen "工厂看板" and, when the setting
// showDashboard is on, in the main window's empty area.
//
// It loads every figure in one request to sp_dashboard on a worker thread, over a connection of
// its own in the same session, so the window never freezes and never shares a socket with the
// screens; it refreshes on demand and every few minutes. It never computes a figure itself.
#pragma once

#include <QDate>
#include <QFutureWatcher>
#include <QWidget>
#include <map>

#include "client/dashboard/dashboard_figures.h"

class QAction;
class QLabel;
class QProgressBar;
class QTimer;
class QToolBar;

namespace qk::client {

class DashboardTile;

inline constexpr int kDashboardRefreshMs = 5 * 60 * 1000;

class DashboardView : public QWidget {
  Q_OBJECT
 public:
  explicit DashboardView(QWidget* parent = nullptr);
  ~DashboardView() override;

  void refresh();  // starts a load unless one is under way
  bool loading() const;
  // Waits (running events) until the load under way ends; false when it took longer than `ms`.
  bool waitForLoad(int ms = 30000);
  // The screen behind the tile, with its query preset where it takes one; refused without the
  // user's right to that screen.
  void openTile(const QString& tile);
  // Asks for a file and writes the dashboard as a PNG picture; the file, empty when none.
  QString exportPng();
  void print();  // through the print preview

  // The day the figures are taken for; invalid (the default) is the server's today.
  QDate day;
  const DashboardFigures& figures() const { return figures_; }
  DashboardTile* tile(const QString& name) const;
  QToolBar* toolBar() const { return bar_; }
  QTimer* refreshTimer() const { return timer_; }
  QLabel* statusLabel() const { return status_; }
  QAction *refreshAction, *exportAction, *printAction;

 signals:
  void loaded();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void show(const DashboardFigures& figures);
  bool userMayOpen(const char* action, const QString& caption);
  void openQuery(const char* caption, const char* queryId, const char* source, const char* mode,
                 const QString& where);
  void openScreen(const char* action);

  QToolBar* bar_;
  QLabel* status_;
  QProgressBar* busy_;
  QTimer* timer_;
  std::map<QString, DashboardTile*> tiles_;
  DashboardFigures figures_;
  QFutureWatcher<DashboardFigures> watcher_;
  bool shownOnce_ = false;
};

}  // namespace qk::client
