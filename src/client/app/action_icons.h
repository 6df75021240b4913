// The icons of the main window's actions: one drawing of the program's icon set per action, inked
// in the colour of the ribbon group that holds it, so each group reads as one block.
#pragma once

#include <QIcon>
#include <QString>

namespace qk::client {

// Null for an action that has no drawing.
QIcon actionIcon(const QString& actionName);

}  // namespace qk::client
