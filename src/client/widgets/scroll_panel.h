// ScrollPanel: a form or panel that takes the room it asks for when the window has it, and
// scrolls inside a smaller window instead of making the window larger than the screen. Scrolling
// one way only, the other way it never gets smaller than the panel, so nothing is cut off.
//
// It never changes the panel's own layout or size policy.
#pragma once

#include <QScrollArea>

namespace qk::client {

class ScrollPanel : public QScrollArea {
 public:
  // Takes `content` over (as its widget); `scrolls` says in which directions it may scroll.
  ScrollPanel(QWidget* content, Qt::Orientations scrolls, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  QSize least() const;            // the smallest the content can be
  QSize withBars(QSize s) const;  // plus the scroll bars showing

  Qt::Orientations scrolls_;
};

}  // namespace qk::client
