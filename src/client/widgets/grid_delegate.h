// How a DataGrid draws and edits its cells: group caption and group footer rows, centred check
// boxes that toggle on a click anywhere in the cell, the small "…"/"+" cell buttons, and the
// editors (pick list, lookup list, calendar, plain text; text no longer than the field holds).
// An editor only writes back what the user changed, so opening and leaving a cell never puts a
// record into edit.
#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include "client/widgets/grid_style.h"

namespace qk::client {

class Field;
struct GridColumn;

// What the delegate asks of the model whose cells it draws and edits: the grid's table model and
// the tree grid's model both answer it, so both edit with the same editors.
class GridCells {
 public:
  virtual ~GridCells() = default;
  virtual GridColumn* columnAt(int viewColumn) const = 0;  // null when the column has none
  virtual Field* fieldAt(int viewColumn) const = 0;
};

class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit GridDelegate(QObject* parent = nullptr);
  void setGridStyle(const GridStyle& style) { style_ = style; }

  // The button's place inside a cell.
  static QRect buttonRect(const QRect& cell);
  // Writes the text of every open cell editor under `viewport` into the model and closes it.
  void commitEditors(QWidget* viewport);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 signals:
  void buttonClicked(const QModelIndex& index);

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  void pressButton(QWidget* editor, const QPersistentModelIndex& index);

  GridStyle style_;
  bool swallowRelease_ = false;  // the release that ends a double click
};

}  // namespace qk::client
