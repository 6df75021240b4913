#include "client/widgets/grid_header.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "client/widgets/grid_model.h"

namespace qk::client {

namespace {

constexpr int kPadding = 4;
constexpr int kSortMarkWidth = 12;

GridStyle defaultStyle(const QFont& font) {
  GridStyle s;
  s.lineColor = QColor(192, 192, 192);
  s.fontColor = Qt::black;
  s.footerColor = s.titleColor = QColor(240, 240, 240);
  s.font = s.footerFont = font;
  return s;
}

}  // namespace

// ---- StyledHeader

StyledHeader::StyledHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent), style_(defaultStyle(font())) {
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignCenter);
}

void StyledHeader::setGridStyle(const GridStyle& style) {
  style_ = style;
  setFont(cellFont());
  updateGeometry();
  emit geometriesChanged();
  viewport()->update();
}

void StyledHeader::paintCell(QPainter* painter, const QRect& rect, const QColor& fill) const {
  painter->fillRect(rect, fill);
  painter->setPen(style_.lineColor);
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
}

void StyledHeader::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  painter.fillRect(area, fillColor());
  if (count() == 0) return;
  const bool horizontal = orientation() == Qt::Horizontal;
  int first = visualIndexAt(horizontal ? area.left() : area.top());
  int last = visualIndexAt(horizontal ? area.right() : area.bottom());
  if (first < 0) first = 0;
  if (last < 0) last = count() - 1;
  painter.setFont(font());
  for (int v = first; v <= last; ++v) {
    const int logical = logicalIndex(v);
    if (isSectionHidden(logical)) continue;
    const int pos = sectionViewportPosition(logical);
    const QRect r = horizontal ? QRect(pos, 0, sectionSize(logical), viewport()->height())
                               : QRect(0, pos, viewport()->width(), sectionSize(logical));
    painter.save();
    paintSection(&painter, r, logical);
    painter.restore();
  }
  // The line under the last row of numbers / after the last title.
  painter.setPen(style_.lineColor);
  if (horizontal)
    painter.drawLine(0, viewport()->height() - 1, viewport()->width(), viewport()->height() - 1);
  else
    painter.drawLine(viewport()->width() - 1, 0, viewport()->width() - 1, viewport()->height());
}

// ---- GroupHeader

GroupHeader::GroupHeader(QWidget* parent) : StyledHeader(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  // A group cell spans sections: repaint it whole when one of them changes.
  connect(this, &QHeaderView::sectionResized, this, [this] { viewport()->update(); });
  connect(this, &QHeaderView::sectionMoved, this, [this] { viewport()->update(); });
  connect(this, &QHeaderView::sectionCountChanged, this, &GroupHeader::updateLevels);
}

void GroupHeader::setModel(QAbstractItemModel* model) {
  if (this->model()) disconnect(this->model(), nullptr, this, nullptr);
  QHeaderView::setModel(model);
  if (!model) return;
  connect(model, &QAbstractItemModel::headerDataChanged, this, &GroupHeader::updateLevels);
  connect(model, &QAbstractItemModel::modelReset, this, &GroupHeader::updateLevels);
  connect(model, &QAbstractItemModel::columnsInserted, this, &GroupHeader::updateLevels);
  connect(model, &QAbstractItemModel::columnsRemoved, this, &GroupHeader::updateLevels);
  updateLevels();
}

QString GroupHeader::headerText(int logical) const {
  return model() ? model()->headerData(logical, Qt::Horizontal).toString() : QString();
}

QString GroupHeader::groupText(int logical) const {
  const QString t = headerText(logical);
  const qsizetype bar = t.indexOf('|');
  return bar < 0 ? QString() : t.left(bar);
}

QString GroupHeader::titleText(int logical) const {
  const QString t = headerText(logical);
  const qsizetype bar = t.indexOf('|');
  return bar < 0 ? t : t.mid(bar + 1);
}

void GroupHeader::updateLevels() {
  bool two = false;
  for (int i = 0; i < count() && !two; ++i) two = headerText(i).contains('|');
  if (two == twoLevel_) {
    viewport()->update();
    return;
  }
  twoLevel_ = two;
  updateGeometry();
  emit geometriesChanged();
  viewport()->update();
}

std::pair<int, int> GroupHeader::groupRange(int logical) const {
  const int v = visualIndex(logical);
  const QString group = groupText(logical);
  if (group.isEmpty() || v < 0) return {v, v};
  int first = v, last = v;
  for (int i = v - 1; i >= 0; --i) {
    const int l = logicalIndex(i);
    if (isSectionHidden(l)) continue;
    if (groupText(l) != group) break;
    first = i;
  }
  for (int i = v + 1; i < count(); ++i) {
    const int l = logicalIndex(i);
    if (isSectionHidden(l)) continue;
    if (groupText(l) != group) break;
    last = i;
  }
  return {first, last};
}

int GroupHeader::levelHeight() const {
  return fontMetrics().height() + 8;
}

QSize GroupHeader::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setHeight(levelHeight() * (twoLevel_ ? 2 : 1));
  return s;
}

void GroupHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
  QRect titleRect = rect;
  const QString group = groupText(logical);
  painter->setPen(style_.fontColor);
  if (twoLevel_ && !group.isEmpty()) {
    const int half = rect.height() / 2;
    const auto [first, last] = groupRange(logical);
    const int left = sectionViewportPosition(logicalIndex(first));
    const int lastLogical = logicalIndex(last);
    const int right = sectionViewportPosition(lastLogical) + sectionSize(lastLogical);
    const QRect groupRect(left, rect.top(), right - left, half);
    paintCell(painter, groupRect, style_.titleColor);
    painter->setPen(style_.fontColor);
    const QRect textRect = groupRect.adjusted(kPadding, 0, -kPadding, 0);
    painter->drawText(textRect, Qt::AlignCenter,
                      fontMetrics().elidedText(group, Qt::ElideRight, textRect.width()));
    titleRect.setTop(rect.top() + half);
  }
  paintCell(painter, titleRect, style_.titleColor);
  QRect textRect = titleRect.adjusted(kPadding, 0, -kPadding, 0);
  if (isSortIndicatorShown() && sortIndicatorSection() == logical) {
    const int x = titleRect.right() - kSortMarkWidth + 2;
    const int y = titleRect.center().y();
    QPainterPath mark;
    if (sortIndicatorOrder() == Qt::AscendingOrder) {
      mark.moveTo(x, y + 2);
      mark.lineTo(x + 7, y + 2);
      mark.lineTo(x + 3.5, y - 2);
    } else {
      mark.moveTo(x, y - 2);
      mark.lineTo(x + 7, y - 2);
      mark.lineTo(x + 3.5, y + 2);
    }
    mark.closeSubpath();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(mark, style_.fontColor);
    textRect.setRight(textRect.right() - kSortMarkWidth + kPadding);
  }
  painter->setPen(style_.fontColor);
  painter->drawText(textRect, Qt::AlignCenter,
                    fontMetrics().elidedText(titleText(logical), Qt::ElideRight, textRect.width()));
}

void GroupHeader::mousePressEvent(QMouseEvent* event) {
  const int logical = logicalIndexAt(event->position().toPoint());
  pressedOnGroup_ = twoLevel_ && logical >= 0 && !groupText(logical).isEmpty() &&
                    event->position().y() < height() / 2;
  QHeaderView::mousePressEvent(event);
}

// ---- RowHeader

RowHeader::RowHeader(QWidget* parent) : StyledHeader(Qt::Vertical, parent) {
  setSectionResizeMode(QHeaderView::Fixed);
  setSectionsClickable(false);
}

QSize RowHeader::sizeHint() const {
  QString widest = QString::number(count());
  if (model() && count() > 0) {
    // The last data row holds the largest number; group rows at the end have none.
    for (int r = count() - 1; r >= 0 && r >= count() - 4; --r) {
      const QString t = model()->headerData(r, Qt::Vertical).toString();
      if (!t.isEmpty()) {
        widest = t;
        break;
      }
    }
  }
  const int width = fontMetrics().horizontalAdvance(widest) + 2 * kPadding + 4;
  return QSize(std::max(width, 24), defaultSectionSize());
}

void RowHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
  paintCell(painter, rect, style_.titleColor);
  const QString text = model() ? model()->headerData(logical, Qt::Vertical).toString() : QString();
  if (text.isEmpty()) return;
  painter->setPen(style_.fontColor);
  painter->drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignCenter, text);
}

// ---- FooterHeader

FooterHeader::FooterHeader(QWidget* parent) : StyledHeader(Qt::Horizontal, parent) {
  setSectionsClickable(false);
  setSectionResizeMode(QHeaderView::Fixed);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize FooterHeader::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setHeight(QFontMetrics(style_.footerFont).height() + 8);
  return s;
}

void FooterHeader::follow(const QHeaderView* titles) {
  if (count() != titles->count()) return;
  for (int v = 0; v < count(); ++v) {
    const int wanted = titles->logicalIndex(v);
    if (logicalIndex(v) != wanted) moveSection(visualIndex(wanted), v);
  }
  for (int l = 0; l < count(); ++l) {
    setSectionHidden(l, titles->isSectionHidden(l));
    if (sectionSize(l) != titles->sectionSize(l)) resizeSection(l, titles->sectionSize(l));
  }
  setOffset(titles->offset());
}

void FooterHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
  paintCell(painter, rect, style_.footerColor);
  if (!model()) return;
  const QString text = model()->headerData(logical, Qt::Horizontal, gridrole::Footer).toString();
  if (text.isEmpty()) return;
  const auto align = Qt::Alignment(
      model()->headerData(logical, Qt::Horizontal, gridrole::FooterAlignment).toInt());
  const QRect textRect = rect.adjusted(kPadding, 0, -kPadding - 1, 0);
  painter->setFont(style_.footerFont);
  painter->setPen(style_.fontColor);
  painter->drawText(
      textRect, int(align | Qt::AlignVCenter),
      QFontMetrics(style_.footerFont).elidedText(text, Qt::ElideLeft, textRect.width()));
}

}  // namespace qk::client
