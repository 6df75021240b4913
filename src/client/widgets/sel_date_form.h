// TselDateForm: the period dialog ("查询": "日期从" … "到") of the statistics screens. It starts
// with the first day of the current month at midnight and today at 23:59:59, so the whole last
// day is in the period.
#pragma once

#include <QDateTime>
#include <QDialog>

class QDateTimeEdit;

namespace qk::client {

class TselDateForm : public QDialog {
  Q_OBJECT
 public:
  explicit TselDateForm(QWidget* parent = nullptr);

  QDateTime startDate() const;
  QDateTime endDate() const;

  QDateTimeEdit *dt1, *dt2;
};

}  // namespace qk::client
