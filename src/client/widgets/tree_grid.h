// TreeGrid: a dataset whose rows form a tree through a key field and a parent-key field, shown
// with the grid's look (two-level titles, the configured fonts, colours and lines). A row whose
// parent is empty, unknown or part of a cycle is a top-level row. Its current row follows the
// dataset's cursor and back; it rebuilds when the rows or their keys change and only repaints
// when values change, so an open editor survives the edit of another cell.
//
// Read-only unless setEditable: then its cells edit in place with DataGrid's editors (pick lists,
// calendars, check boxes, cell buttons, read-only columns), it inserts a child of the current row
// and removes the current row with everything under it. It edits the dataset only; what reaches
// the server is the screen's business.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "client/widgets/data_grid.h"

class QModelIndex;
class QTreeView;

namespace qk::client {

class Dataset;

class TreeGrid : public QWidget {
  Q_OBJECT
 public:
  explicit TreeGrid(QWidget* parent = nullptr);
  TreeGrid(Dataset* ds, const QString& idField, const QString& parentField,
           QWidget* parent = nullptr);
  ~TreeGrid() override;

  void setDataset(Dataset* ds);
  Dataset* dataset() const;
  void setIdField(const QString& field);
  void setParentField(const QString& field);
  // Without columns every visible field of the dataset is one.
  void setColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& columns() const;
  // The sys_col layout read through `ds` (see mergeLayout); false when it has no rows.
  bool applyLayout(Dataset& ds, const QString& layoutKey);
  QTreeView* view() const;

  void expandAll();
  void collapseAll();
  // The column that shows the branches; without one, the first column shown.
  void setTreeField(const QString& field);
  // Every row expanded after every rebuild, new rows included.
  void setAlwaysExpanded(bool on);
  void applyStyle();
  void refresh();

  // ---- editing
  void setEditable(bool on);
  bool isEditable() const;
  // Writes what is typed in an open cell editor into the dataset.
  void commitEdit();
  // Starts a new record under the current row (top level when there is none): its parent field
  // takes the current row's key and its key field a number no other row holds. The record is
  // left in Insert state for the caller to fill; returns the parent's row, -1 for none.
  int insertChild();
  // Removes the current row and every row below it from the dataset (a record being inserted
  // is only given up). The dataset's delete hooks run for each removed record.
  void deleteCurrent();

  // The visible dataset row shown at an index of the view, -1 for none; and back.
  int rowOf(const QModelIndex& index) const;
  QModelIndex indexOf(int datasetRow) const;
  // Dataset rows below a row, children before grandchildren.
  std::vector<int> descendants(int datasetRow) const;

 signals:
  void rowDoubleClicked(int row);
  // A cell button was pressed; the dataset's cursor is on the row already.
  void buttonClicked(const QString& field, int row);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace qk::client
