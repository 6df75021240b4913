// ToolAction: one row of a screen's tool-bar table — caption, accelerator letter, icon name,
// hint, handler — and the helper that turns such a table into the screen's QActions. Every screen's
// tool bar is built here, so captions, shortcuts, hints, icons and the error handler are wired one
// way; screens keep the returned actions as their named members. (The report preview and designer
// keep compact text bars beside their page, zoom and alignment controls.)
//
// It never runs a handler outside the application-wide error handler, and never names an icon
// file: icons are resolved by name in one place (themeIcon, icons.h).
#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace qk::client {

struct ToolAction {
  QString caption{};  // empty: a separator
  // Accelerator letter: the caption becomes "保存(&V)" and Alt+V triggers it; 0 for none.
  char key = 0;
  QString icon{};  // a themeIcon name
  QString hint{};  // tool tip and status tip
  std::function<void()> run{};
  QAction** member = nullptr;  // where the screen keeps the action
  bool visible = true;
  // Drop-down entries on the action's tool button; with a handler too, the arrow opens them.
  std::vector<ToolAction> menu{};

  static ToolAction separator() { return {}; }
};

// A tool bar as every screen shows it: text under 24-pixel icons.
QToolBar* newToolBar(QWidget* parent);

// Adds the table's actions to the bar (before `before`, or at the end) and returns them in
// table order, separators included. Each handler runs under the application-wide error handler.
std::vector<QAction*> addToolActions(QToolBar& bar, const std::vector<ToolAction>& actions,
                                     QAction* before = nullptr);

// Gives an action already on the bar a drop-down of these entries; returns the menu.
QMenu* setToolMenu(QToolBar& bar, QAction& action, const std::vector<ToolAction>& entries);

}  // namespace qk::client
