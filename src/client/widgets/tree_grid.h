// TreeGrid: a dataset whose rows form a tree through an id field and a parent-id field, shown
// with the grid's look (two-level titles, the configured fonts, colours and lines). A row whose
// parent is empty, unknown or part of a cycle is a top-level row. Its current row follows the
// dataset's cursor and back; it rebuilds when the dataset changes and never edits it.
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
  QTreeView* view() const;

  void expandAll();
  void collapseAll();
  void applyStyle();
  void refresh();

  // The visible dataset row shown at an index of the view, -1 for none; and back.
  int rowOf(const QModelIndex& index) const;
  QModelIndex indexOf(int datasetRow) const;

 signals:
  void rowDoubleClicked(int row);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace qk::client
