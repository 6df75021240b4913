// GridModel: what a DataGrid's view shows over a DatasetModel. It adds the check-box column in
// front, group caption and group footer rows between the dataset's rows, row numbers, the
// footer texts, lookup display texts and the column settings of the grid (titles, formats,
// read-only columns). Every row of the view maps back to a visible dataset row or to a group
// row; edits still go through the DatasetModel, and errors they raise never reach Qt.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <functional>
#include <vector>

#include "client/data/dataset_model.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/grid_delegate.h"

namespace qk::client {

namespace gridrole {
inline constexpr int RowKind = Qt::UserRole + 64;     // int(GridRowKind)
inline constexpr int GroupLevel = Qt::UserRole + 65;  // 0 for the outermost group
inline constexpr int Footer = Qt::UserRole + 66;      // header data: the footer text
inline constexpr int FooterAlignment = Qt::UserRole + 67;
inline constexpr int Button = Qt::UserRole + 68;  // int(CellButton) of the cell's column
inline constexpr int Value = Qt::UserRole + 69;   // a group footer's sum, count or text
}  // namespace gridrole

enum class GridRowKind { Data, Caption, GroupFooter };

class GridModel : public QAbstractTableModel, public GridCells {
  Q_OBJECT
 public:
  explicit GridModel(QObject* parent = nullptr);

  // The columns live in the grid; in automatic mode the model fills them from the fields.
  void setColumnList(std::vector<GridColumn>* columns, bool automatic);
  void setSource(DatasetModel* source);  // may be null
  DatasetModel* source() const { return src_.data(); }
  Dataset* dataset() const { return src_ ? src_->dataset() : nullptr; }
  // Width of a column made for a field in automatic mode.
  std::function<int(const Field&)> defaultWidth;

  void setReadOnly(bool on);
  void setRowNumbers(int firstNumber);
  // Group levels, outermost first, with the text put before each level's value in its caption.
  void setGrouping(const QStringList& fields, const QStringList& captionPrefixes);
  bool grouped() const { return !groupFields_.isEmpty(); }

  // ---- check-box column
  void setCheckColumn(bool on);
  bool hasCheckColumn() const { return checkColumn_; }
  int columnOffset() const { return checkColumn_ ? 1 : 0; }
  bool isChecked(int datasetRow) const;
  void setChecked(int datasetRow, bool on);
  QList<int> checkedRows() const;
  void clearChecks();

  // ---- marks: records shown tinted with a text as their tool tip, followed by record identity
  void setMark(int datasetRow, const QString& text);  // an empty text removes the mark
  QString mark(int datasetRow) const;
  void clearMarks();

  // ---- mapping
  int datasetRow(int viewRow) const;  // -1 for group rows
  int viewRow(int datasetRow) const;  // -1 when out of range
  GridRowKind rowKind(int viewRow) const;
  GridColumn* columnAt(int viewColumn) const override;  // null for the check-box column
  Field* fieldAt(int viewColumn) const override;
  int viewColumnOf(const QString& field) const;  // -1 when not shown

  // ---- footer (computed once per change of the dataset)
  QString footerText(int viewColumn) const;
  double footerSum(int viewColumn) const;
  // The value as the column shows it (its display format, the lookup's display text).
  QString displayText(int datasetRow, int viewColumn) const;
  // True when the column shows repeated values once and the data row above in the same group
  // shows the same text: the cell is then drawn empty.
  bool repeatsAbove(int viewRow, int viewColumn) const;

  // Re-reads columns, groups, sums and checks; the view is reset.
  void rebuild();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void footersChanged();

 private:
  struct RowRef {
    GridRowKind kind;
    int index;  // dataset row, or the group's index
  };
  struct Group {
    int level = 0;
    QString caption;
    int count = 0;
    std::vector<double> sums;  // per shown column
  };
  struct CheckEntry {
    QString key;   // the record's data values: a check follows its record through sorts
    int row = -1;  // where it was last seen, -1 while filtered out
  };

  void sourceAboutToReset();
  void sourceReset();
  void sourceDataChanged();
  void resolveColumns();
  void watchLookups();
  void mapRows();
  void computeFooters();
  bool computeGroups(std::vector<RowRef>& rows, std::vector<Group>& groups) const;
  void placeChecks();
  QString recordKey(int datasetRow) const;
  QString lookupText(const GridColumn& column, const QVariant& key) const;
  QString formatSum(int shownColumn, double sum) const;

  QPointer<DatasetModel> src_;
  std::vector<GridColumn>* columns_ = nullptr;
  bool automatic_ = true;
  std::vector<int> shown_;  // per source column: index into *columns_ (-1: none)
  bool readOnly_ = false;
  bool checkColumn_ = false;
  int firstNumber_ = 1;
  bool resetting_ = false;

  QStringList groupFields_, groupPrefixes_;
  std::vector<RowRef> rows_;    // only when grouped
  std::vector<int> viewRowOf_;  // only when grouped
  std::vector<Group> groups_;

  std::vector<double> sums_;      // per shown column
  std::vector<QString> footers_;  // per shown column

  QHash<quint64, QString> marks_;  // by Dataset::recordId

  std::vector<CheckEntry> checks_;  // in checking order
  std::vector<int> rowCheck_;       // per dataset row: index into checks_, -1 when unchecked

  // Lookup columns: key text to display text, per source dataset, rebuilt when it changes. A
  // source may go before the grid (screens destroy their datasets before their widgets).
  mutable QHash<const Dataset*, QHash<QString, QHash<QString, QString>>> lookupCache_;
  QHash<const Dataset*, QPointer<Dataset>> liveLookups_;
  std::vector<QMetaObject::Connection> lookupConnections_;
};

}  // namespace qk::client
