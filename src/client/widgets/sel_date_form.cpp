#include "client/widgets/sel_date_form.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qk::client {

TselDateForm::TselDateForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("查询");
  const QDate today = QDate::currentDate();
  dt1 = new QDateTimeEdit(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)), this);
  dt2 = new QDateTimeEdit(QDateTime(today, QTime(23, 59, 59)), this);
  for (QDateTimeEdit* e : {dt1, dt2}) {
    e->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
    e->setCalendarPopup(true);
  }
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("日期从", this));
  row->addWidget(dt1);
  row->addWidget(new QLabel("到", this));
  row->addWidget(dt2);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

QDateTime TselDateForm::startDate() const {
  return dt1->dateTime();
}

QDateTime TselDateForm::endDate() const {
  return dt2->dateTime();
}

}  // namespace qk::client
