#include "client/widgets/scroll_panel.h"

#include <QScrollBar>
#include <algorithm>

namespace qk::client {

namespace {
constexpr int kSmallest = 60;  // what stays of a scrolling direction in the smallest window
}

ScrollPanel::ScrollPanel(QWidget* content, Qt::Orientations scrolls, QWidget* parent)
    : QScrollArea(parent), scrolls_(scrolls) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  setWidget(content);
  setHorizontalScrollBarPolicy(scrolls & Qt::Horizontal ? Qt::ScrollBarAsNeeded
                                                        : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(scrolls & Qt::Vertical ? Qt::ScrollBarAsNeeded
                                                    : Qt::ScrollBarAlwaysOff);
  // Laid out as the content would be without it (a scroll area would rather expand).
  setSizePolicy(content->sizePolicy());
  // A scroll bar that comes or goes takes or gives back room across it.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
    connect(bar, &QScrollBar::rangeChanged, this, [this] { updateGeometry(); });
}

QSize ScrollPanel::withBars(QSize s) const {
  const QScrollBar* h = horizontalScrollBar();
  const QScrollBar* v = verticalScrollBar();
  if ((scrolls_ & Qt::Horizontal) && h->maximum() > h->minimum())
    s.rheight() += h->sizeHint().height();
  if ((scrolls_ & Qt::Vertical) && v->maximum() > v->minimum()) s.rwidth() += v->sizeHint().width();
  return s;
}

QSize ScrollPanel::least() const {
  if (!widget()) return {};
  return widget()->minimumSizeHint().expandedTo(widget()->minimumSize());
}

QSize ScrollPanel::sizeHint() const {
  return withBars(widget() ? widget()->sizeHint().expandedTo(least())
                           : QSize(kSmallest, kSmallest));
}

QSize ScrollPanel::minimumSizeHint() const {
  const QSize least = withBars(this->least());
  return QSize(scrolls_ & Qt::Horizontal ? std::min(kSmallest, least.width()) : least.width(),
               scrolls_ & Qt::Vertical ? std::min(kSmallest, least.height()) : least.height());
}

}  // namespace qk::client
