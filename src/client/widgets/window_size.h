// The size of the program's windows: every dialog that chooses its own size asks for it here,
// so that it fits the screen it opens on — the parent's screen, less the task bar and the frame
// the window system adds — on a 1366×768 laptop as on a large monitor. What does not fit then
// scrolls inside the window (grids do by themselves; forms and panels sit in scroll areas).
//
// It never moves a window: placing it stays with Qt and the window system.
#pragma once

#include <QMargins>
#include <QSize>

class QWidget;

namespace qk::client {

// What a window frame adds around a window's inside when the window system cannot say yet.
inline constexpr QMargins kTypicalFrame{6, 32, 6, 6};

// The room the inside of `window` has on the screen it opens on.
QSize screenRoom(const QWidget& window);

// Resizes the window to `wanted`, or to as much of it as the screen has room for.
void fitToScreen(QWidget& window, const QSize& wanted);

}  // namespace qk::client
