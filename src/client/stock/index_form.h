// The stock query's period and warehouse dialog: two date pickers that cover whole days, the
// warehouses with tick boxes in list order, and whether items without movement are hidden.
#pragma once

#include <QDialog>

class QCheckBox;
class QDateTimeEdit;
class QTreeWidget;

namespace qk::client {

class TindexForm : public QDialog {
  Q_OBJECT
 public:
  explicit TindexForm(QWidget* parent = nullptr);

  // One entry per warehouse, none ticked.
  void addWarehouse(const QString& depNo, const QString& depName);
  void setTicked(const QString& depNo, bool on);
  // The numbers of the ticked warehouses joined in list order, without a separator.
  QString warehouses() const;

  QDateTimeEdit *DateTimePicker1, *DateTimePicker2;
  QTreeWidget* ListView1;
  QCheckBox* CheckBox1;  // "无发生不显示"
};

}  // namespace qk::client
