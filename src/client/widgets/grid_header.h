// The headers of grids, painted in the grid style rather than as platform buttons: the title
// row with two-level titles ("组|标题": adjacent sections of one group share a group cell above
// their own titles, a section without a group spans both levels), the row numbers down the
// side, and the footer row under the data that follows the title row's widths and offset.
// They read texts from the model's header data and never change the model.
#pragma once

#include <QHeaderView>
#include <utility>

#include "client/widgets/grid_style.h"

namespace qk::client {

// Paints every section itself and fills the area past the last one, so no platform style shows.
class StyledHeader : public QHeaderView {
  Q_OBJECT
 public:
  StyledHeader(Qt::Orientation orientation, QWidget* parent);
  void setGridStyle(const GridStyle& style);
  const GridStyle& gridStyle() const { return style_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  virtual QColor fillColor() const { return style_.titleColor; }
  virtual QFont cellFont() const { return style_.font; }
  // A cell with the grid's lines on its right and bottom edges.
  void paintCell(QPainter* painter, const QRect& rect, const QColor& fill) const;

  GridStyle style_;
};

class GroupHeader : public StyledHeader {
  Q_OBJECT
 public:
  explicit GroupHeader(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;
  bool twoLevel() const { return twoLevel_; }
  QString groupText(int logical) const;  // "" when the title has no bar
  QString titleText(int logical) const;
  // Visual indexes of the first and last shown section sharing this section's group cell.
  std::pair<int, int> groupRange(int logical) const;
  int levelHeight() const;
  // Whether the last press was on a group cell (a click there sorts nothing).
  bool pressedOnGroup() const { return pressedOnGroup_; }
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void updateLevels();
  QString headerText(int logical) const;

  bool twoLevel_ = false;
  bool pressedOnGroup_ = false;
};

class RowHeader : public StyledHeader {
  Q_OBJECT
 public:
  explicit RowHeader(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
};

// The footer row: the model's gridrole::Footer header data, one cell per section.
class FooterHeader : public StyledHeader {
  Q_OBJECT
 public:
  explicit FooterHeader(QWidget* parent = nullptr);
  QSize sizeHint() const override;
  // Takes the widths, order, visibility and offset of the title row.
  void follow(const QHeaderView* titles);

 protected:
  QColor fillColor() const override { return style_.footerColor; }
  QFont cellFont() const override { return style_.footerFont; }
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
};

}  // namespace qk::client
