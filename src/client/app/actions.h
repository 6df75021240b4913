// The main window's actions: the rights-controlled list with captions and categories, the
// ribbon's tabs and groups, and the screens that later versions register for them.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "client/widgets/screen_registry.h"

class QDialog;
class QWidget;

namespace qk::client {

struct ActionDef {
  const char* name;  // also its key in sys_rights
  const char* caption;
  const char* category;  // bas, bus, Query, sys
  bool logged;           // opening it writes a sys_log_det row
};

// The rights-controlled actions, in list order.
const std::vector<ActionDef>& rightsActions();
const ActionDef* findAction(const QString& name);

struct RibbonTab {
  const char* title;
  std::vector<std::vector<const char*>> groups;  // action names
};
const std::vector<RibbonTab>& ribbonLayout();

// Actions that do something without opening a registered screen (exit, the inert ones).
bool actionNeedsNoScreen(const QString& actionName);

}  // namespace qk::client
