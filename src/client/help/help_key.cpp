#include "client/help/help_key.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include "client/help/help_form.h"
#include "client/help/help_topics.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"

namespace qk::client {

namespace {

constexpr const char* kHelpActionProperty = "qkHelpAction";

// One filter for the whole program: key presses reach it before any widget of any window.
class HelpKeyFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    QString action;
    for (QWidget* w = window; w; w = w->parentWidget()) {
      if (qobject_cast<ThelpForm*>(w)) return false;
      action = w->property(kHelpActionProperty).toString();
      if (!action.isEmpty()) break;
    }
    if (action.isEmpty()) return false;
    guarded([&] {
      ThelpForm help(window, helpFileForAction(action));
      desktop().exec(help);
    });
    return true;
  }
};

}  // namespace

void attachHelp(QWidget& screen, const QString& actionName) {
  static QPointer<HelpKeyFilter> filter;
  if (!filter && qApp) {
    filter = new HelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
  }
  screen.setProperty(kHelpActionProperty, actionName);
}

}  // namespace qk::client
