#include "client/widgets/window_size.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace qk::client {

namespace {

// A window that opens over another one belongs on that one's screen.
const QWidget& anchorOf(const QWidget& window) {
  const QWidget* parent = window.parentWidget();
  return parent ? *parent->window() : window;
}

// The frame of a window already shown (this one or the one it opens over) tells what the window
// system adds; a maximised parent may have none at the sides, so never less than typical.
QMargins frameOf(const QWidget& window) {
  QMargins m = kTypicalFrame;
  for (const QWidget* w : {&window, &anchorOf(window)}) {
    if (!w->isVisible()) continue;
    const QRect outer = w->frameGeometry(), inner = w->geometry();
    m.setLeft(std::max(m.left(), inner.left() - outer.left()));
    m.setTop(std::max(m.top(), inner.top() - outer.top()));
    m.setRight(std::max(m.right(), outer.right() - inner.right()));
    m.setBottom(std::max(m.bottom(), outer.bottom() - inner.bottom()));
  }
  return m;
}

}  // namespace

QSize screenRoom(const QWidget& window) {
  const QScreen* screen = anchorOf(window).screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QMargins frame = frameOf(window);
  const QSize available = screen->availableGeometry().size();
  return QSize(std::max(1, available.width() - frame.left() - frame.right()),
               std::max(1, available.height() - frame.top() - frame.bottom()));
}

void fitToScreen(QWidget& window, const QSize& wanted) {
  const QSize room = screenRoom(window);
  window.resize(room.isValid() ? wanted.boundedTo(room) : wanted);
}

}  // namespace qk::client
