#include "client/widgets/tool_action.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "client/widgets/error_handler.h"
#include "client/widgets/icons.h"

namespace qk::client {

namespace {

QAction* makeAction(QObject* owner, const ToolAction& t) {
  auto* a = new QAction(owner);
  if (t.caption.isEmpty()) {
    a->setSeparator(true);
    return a;
  }
  const QChar key = QChar(t.key).toUpper();
  a->setText(t.key ? QString("%1(&%2)").arg(t.caption).arg(key) : t.caption);
  // A tool bar shows no mnemonics: the button reads the bare caption, Alt+letter still works.
  a->setIconText(t.caption);
  a->setIcon(themeIcon(t.icon));
  if (!t.hint.isEmpty()) {
    a->setToolTip(t.hint);
    a->setStatusTip(t.hint);
  }
  if (t.key) a->setShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(key.unicode())));
  a->setVisible(t.visible);
  if (t.run) QObject::connect(a, &QAction::triggered, owner, guardedSlot(t.run));
  if (t.member) *t.member = a;
  return a;
}

QMenu* attachMenu(QToolBar& bar, QAction& action, const std::vector<ToolAction>& entries,
                  QToolButton::ToolButtonPopupMode mode) {
  auto* menu = new QMenu(&bar);
  for (const ToolAction& e : entries) menu->addAction(makeAction(menu, e));
  action.setMenu(menu);
  // The button shows its action's menu; how the menu opens is the button's.
  if (auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(&action)))
    button->setPopupMode(mode);
  return menu;
}

}  // namespace

QToolBar* newToolBar(QWidget* parent) {
  auto* bar = new QToolBar(parent);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setIconSize(QSize(24, 24));
  return bar;
}

std::vector<QAction*> addToolActions(QToolBar& bar, const std::vector<ToolAction>& actions,
                                     QAction* before) {
  std::vector<QAction*> made;
  for (const ToolAction& t : actions) {
    QAction* a = makeAction(&bar, t);
    bar.insertAction(before, a);
    // A button with only a menu opens it at once; one with a handler too keeps its click.
    if (!t.menu.empty())
      attachMenu(bar, *a, t.menu, t.run ? QToolButton::MenuButtonPopup : QToolButton::InstantPopup);
    made.push_back(a);
  }
  return made;
}

QMenu* setToolMenu(QToolBar& bar, QAction& action, const std::vector<ToolAction>& entries) {
  return attachMenu(bar, action, entries, QToolButton::MenuButtonPopup);
}

}  // namespace qk::client
