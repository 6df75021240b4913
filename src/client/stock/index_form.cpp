#include "client/stock/index_form.h"

#include <QCheckBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qk::client {

namespace {

QDateTimeEdit* datePicker(const QDateTime& start, QWidget* parent) {
  auto* edit = new QDateTimeEdit(start, parent);
  edit->setCalendarPopup(true);
  edit->setDisplayFormat("yyyy-MM-dd");
  return edit;
}

}  // namespace

TindexForm::TindexForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("查询");
  const QDate today = QDate::currentDate();
  const QDate first(today.year(), today.month(), 1);
  // The end keeps 23:59:59 so that it covers the whole last day.
  DateTimePicker1 = datePicker(QDateTime(first, QTime(0, 0)), this);
  DateTimePicker2 = datePicker(QDateTime(first.addMonths(1).addDays(-1), QTime(23, 59, 59)), this);

  ListView1 = new QTreeWidget(this);
  ListView1->setHeaderLabels({"仓库编号", "仓库名称"});
  ListView1->setRootIsDecorated(false);
  ListView1->header()->resizeSection(0, 100);
  CheckBox1 = new QCheckBox("无发生不显示", this);
  CheckBox1->setChecked(true);

  auto* period = new QHBoxLayout;
  period->addWidget(new QLabel("期间", this));
  period->addWidget(DateTimePicker1);
  period->addWidget(new QLabel("到", this));
  period->addWidget(DateTimePicker2);
  period->addStretch(1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(period);
  layout->addWidget(new QLabel("仓库", this));
  layout->addWidget(ListView1, 1);
  layout->addWidget(CheckBox1);
  layout->addWidget(buttons);
  resize(420, 380);
}

void TindexForm::addWarehouse(const QString& depNo, const QString& depName) {
  auto* item = new QTreeWidgetItem(ListView1, {depNo, depName});
  item->setCheckState(0, Qt::Unchecked);
}

void TindexForm::setTicked(const QString& depNo, bool on) {
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    if (ListView1->topLevelItem(i)->text(0) == depNo)
      ListView1->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

QString TindexForm::warehouses() const {
  QString joined;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    if (ListView1->topLevelItem(i)->checkState(0) == Qt::Checked)
      joined += ListView1->topLevelItem(i)->text(0);
  return joined;
}

}  // namespace qk::client
