#include "client/admin/sys_pwd_form.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/error_handler.h"
#include "protocol/wire.h"

namespace qk::client {

Tsys_pwdForm::Tsys_pwdForm(QWidget* parent, QString user)
    : QDialog(parent), user_(std::move(user)) {
  setWindowTitle(user_.isEmpty() ? QString("修改密码") : QString("设置密码 - %1").arg(user_));
  auto* form = new QFormLayout;
  auto masked = [this] {
    auto* e = new QLineEdit(this);
    e->setEchoMode(QLineEdit::Password);
    e->setMinimumWidth(200);
    connect(e, &QLineEdit::returnPressed, this, guardedSlot([this] { okExecute(); }));
    return e;
  };
  Edit1 = masked();
  Edit2 = masked();
  Edit3 = masked();
  form->addRow("原密码", Edit1);
  form->addRow("新密码", Edit2);
  form->addRow("新密码确认", Edit3);
  // Another user's password is set under the user screen's right, without his old one.
  if (!user_.isEmpty()) form->setRowVisible(Edit1, false);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  ok->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, guardedSlot([this] { okExecute(); }));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void Tsys_pwdForm::okExecute() {
  if (Edit2->text() != Edit3->text()) {
    prompter().message(kNewPasswordsDiffer, Prompter::Icon::Information);
    return;
  }
  if (Edit2->text().isEmpty()) {
    prompter().message(kNewPasswordEmpty, Prompter::Icon::Information);
    return;
  }
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_setPassword :p1, :p2, :p3");
  pub.params().byName("p1").value = user_;  // empty: the caller himself
  pub.params().byName("p2").value = user_.isEmpty() ? Edit1->text() : QString();
  pub.params().byName("p3").value = Edit2->text();
  try {
    pub.execute();
  } catch (const DataError& e) {
    // A wrong old password is the user's slip, not a failure: said as the other checks are.
    if (e.code() != QLatin1String(protocol::code::kRefused)) throw;
    prompter().message(e.text(), Prompter::Icon::Information);
    return;
  }
  prompter().message(kPasswordChanged, Prompter::Icon::Information);
  accept();
}

}  // namespace qk::client
