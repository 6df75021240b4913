// DatasetModel: shows a Dataset in any item view, one row per visible record and one column per
// visible field (or per field of an explicit column list). Edits go through the dataset, so its
// state rules and validation hooks apply to a grid exactly as to code. It holds no data of its
// own and never talks to widgets.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <vector>

#include "client/data/dataset.h"

namespace qk::client {

// A value as grids and reports print it. Numbers follow a display format in the usual picture
// syntax ("#,##0.00", "0.00", "0.###", "0%", literals, "positive;negative;zero" sections);
// date-times use Qt's date format syntax, "yyyy-MM-dd" when the time is midnight and
// "yyyy-MM-dd HH:mm:ss" otherwise by default; booleans take "yes;no" texts. Null prints as "".
QString formatValue(const QVariant& value, protocol::FieldType type, const QString& displayFormat);

class DatasetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DatasetModel(Dataset& dataset, QObject* parent = nullptr);

  Dataset* dataset() const { return ds_.data(); }

  // Columns by field name in this order; a name the dataset does not have (yet) is left out
  // until it has. An empty list goes back to the visible fields in field order.
  void setColumns(const QStringList& fieldNames);
  const QStringList& columns() const { return explicit_; }
  Field* fieldAt(int column) const;
  int columnOf(const QString& fieldName) const;  // -1 when not shown

  // Re-reads columns and captions after a field's display properties changed.
  void refresh();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void datasetChanged();
  std::vector<int> resolveColumns() const;
  bool editable(const Field& field) const;

  QPointer<Dataset> ds_;
  QStringList explicit_;
  std::vector<int> columns_;  // field indices
  int rows_ = 0;
};

}  // namespace qk::client
