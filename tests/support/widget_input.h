// What a user does with mouse and keys, sent to offscreen widgets as the events Qt would
// deliver, and the event processing that lets the widgets settle after it.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace qk::test {

inline void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods = {}) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
  QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, held, mods);
  QApplication::sendEvent(w, &e);
}
inline void click(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods = {}) {
  mouse(w, QEvent::MouseButtonPress, pos, mods);
  mouse(w, QEvent::MouseButtonRelease, pos, mods);
}
inline void doubleClick(QWidget* w, QPoint pos) {
  click(w, pos);
  mouse(w, QEvent::MouseButtonDblClick, pos);
  mouse(w, QEvent::MouseButtonRelease, pos);
}
inline void key(QWidget* w, int k, Qt::KeyboardModifiers mods = {}) {
  QKeyEvent e(QEvent::KeyPress, k, mods);
  QApplication::sendEvent(w, &e);
}
// Types text into a widget key by key, as the keyboard would.
inline void type(QWidget* w, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &e);
  }
}
inline void settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace qk::test
