// Registers the production screens: the bill of materials (from the main window and for the
// products screen's current product), the production task, the task statistics and the
// process cards of a task.
#pragma once

namespace qk::client {

void registerProductionScreens();

}  // namespace qk::client
