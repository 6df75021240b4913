// F1 on a screen: the help window at the page of the action that opened the screen. Windows the
// screen opens in turn (pickers, editors, sub-screens) inherit its page. It never opens help
// for a window no screen action owns, nor from inside the help window itself.
#pragma once

#include <QString>

class QWidget;

namespace qk::client {

// Marks the screen as opened by the action and makes sure F1 is listened for.
void attachHelp(QWidget& screen, const QString& actionName);

}  // namespace qk::client
