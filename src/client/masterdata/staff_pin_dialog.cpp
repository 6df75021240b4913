#include "client/masterdata/staff_pin_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"

namespace qk::client {

namespace {

bool wellFormedPin(const QString& pin) {
  static const QRegularExpression digits("^[0-9]{4,8}$");
  return digits.match(pin).hasMatch();
}

}  // namespace

StaffPinDialog::StaffPinDialog(const QString& staffNo, const QString& staffName, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("设置车间报工 PIN");
  auto* form = new QFormLayout(this);
  form->addRow(new QLabel(QString("职员：%1 %2").arg(staffNo.trimmed(), staffName), this));
  auto pinBox = [this] {
    auto* e = new QLineEdit(this);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(8);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,8}"), e));
    return e;
  };
  pinEdit = pinBox();
  repeatEdit = pinBox();
  form->addRow("PIN（4 到 8 位数字）", pinEdit);
  form->addRow("再次输入", repeatEdit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* clear = buttons->addButton("清除 PIN", QDialogButtonBox::ResetRole);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, guardedSlot([this] { okClick(); }));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(clear, &QPushButton::clicked, this, guardedSlot([this] { clearClick(); }));
}

void StaffPinDialog::okClick() {
  if (!wellFormedPin(pinEdit->text())) {
    prompter().message("PIN 必须是 4 到 8 位数字", Prompter::Icon::Warning);
    return;
  }
  if (pinEdit->text() != repeatEdit->text()) {
    prompter().message("两次输入的 PIN 不一致", Prompter::Icon::Warning);
    return;
  }
  pin_ = pinEdit->text();
  accept();
}

void StaffPinDialog::clearClick() {
  pin_.clear();
  accept();
}

void setStaffPin(QWidget* parent, const QString& staffNo, const QString& staffName) {
  if (staffNo.trimmed().isEmpty()) {
    prompter().message("请先选择一位已保存的职员", Prompter::Icon::Information);
    return;
  }
  StaffPinDialog dialog(staffNo, staffName, parent);
  if (desktop().exec(dialog) != QDialog::Accepted) return;
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_setStaffPin :p1, :p2");
  pub.params().byName("p1").value = staffNo;
  pub.params().byName("p2").value = dialog.pin();
  pub.execute();
  prompter().message(dialog.pin().isEmpty() ? "已清除该职员的 PIN" : "PIN 已设置",
                     Prompter::Icon::Information);
}

}  // namespace qk::client
