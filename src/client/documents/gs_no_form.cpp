#include "client/documents/gs_no_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace qk::client {

TgsNoForm::TgsNoForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("请输入物项号");
  edit_ = new QLineEdit(this);
  // Not a fixed mask: after 9999 a month's sequence goes on with five digits (26-12-10000).
  edit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(R"(\d{2}-\d{2}-\d{4,5})"), edit_));
  edit_->setMaxLength(11);
  edit_->setPlaceholderText("99-99-9999");
  edit_->setMinimumWidth(140);
  auto* ok = new QPushButton("确定", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("物项号：", this));
  row->addWidget(edit_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
}

QString TgsNoForm::gsNo() const {
  return edit_->text().trimmed();
}

}  // namespace qk::client
