#include "client/app/login_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/app/client_config.h"
#include "client/data/data_module.h"
#include "client/data/prompter.h"
#include "client/widgets/error_handler.h"

namespace qk::client {

TloginForm::TloginForm(DataModule& dm, QWidget* parent, Purpose purpose)
    : QDialog(parent), dm_(dm), purpose_(purpose) {
  const bool renew = purpose == Purpose::Renew;
  setWindowTitle(renew ? "重新登录" : "用户登录");
  setModal(true);

  auto* banner = new QLabel("QK管理系统", this);
  QFont bannerFont = banner->font();
  bannerFont.setPointSize(bannerFont.pointSize() + 6);
  bannerFont.setBold(true);
  banner->setFont(bannerFont);
  banner->setAlignment(Qt::AlignCenter);
  banner->setStyleSheet("color: #1565c0; padding: 8px;");

  accEdit = new QLineEdit(this);
  Edit3 = new QLineEdit(this);
  Edit1 = new QLineEdit(this);
  Edit1->setEchoMode(QLineEdit::Password);
  for (QLineEdit* e : {accEdit, Edit3, Edit1}) e->setMinimumWidth(220);

  auto* form = new QFormLayout;
  form->addRow("账套：", accEdit);
  form->addRow("用户名：", Edit3);
  form->addRow("密码：", Edit1);

  BitBtn1 = new QPushButton("确定", this);
  BitBtn2 = new QPushButton(renew ? "取消" : "退出", this);
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(true);
  BitBtn2->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(banner);
  if (renew) {
    // Why the dialog is back, and that the open screens are safe.
    auto* hint = new QLabel(
        "登录已失效：应用服务器已重新启动，或长时间没有操作。\n"
        "请输入密码重新登录，正在编辑的内容会保留。",
        this);
    hint->setStyleSheet("color: #8a5a00; padding: 4px 0;");
    layout->addWidget(hint);
  }
  layout->addLayout(form);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  setTabOrder(accEdit, Edit3);
  setTabOrder(Edit3, Edit1);
  setTabOrder(Edit1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

  if (renew) {
    // The open screens hold data of this account set: another one must not take them over.
    accEdit->setText(dm_.accountName);
    accEdit->setReadOnly(true);
    accEdit->setFocusPolicy(Qt::NoFocus);
    accEdit->setStyleSheet("background: palette(window);");
    Edit3->setText(dm_.userName);
    Edit1->setFocus();
    return;
  }
  const LoginMemory memory = readLoginMemory();
  Edit3->setText(memory.user);
  accEdit->setText(memory.account);
  // Where a name is remembered, the password is what the user types next.
  if (!memory.account.isEmpty() && !memory.user.isEmpty())
    Edit1->setFocus();
  else
    accEdit->setFocus();
}

QString TloginForm::account() const {
  return accEdit->text();
}
QString TloginForm::user() const {
  return Edit3->text();
}

void TloginForm::BitBtn1Click() {
  if (accEdit->text().trimmed().isEmpty()) {
    prompter().message("账套名称不能为空！", Prompter::Icon::Stop, " ");
    return;
  }
  if (Edit3->text().trimmed().isEmpty()) {
    prompter().message("用户名不能为空！", Prompter::Icon::Stop, " ");
    return;
  }
  const QString result = dm_.login(accEdit->text(), Edit3->text(), Edit1->text());
  if (result == "OK") {
    if (const QString notice = dm_.connection().loginNotice(); !notice.isEmpty())
      prompter().message(notice, Prompter::Icon::Information, " ");
    accept();
    return;
  }
  prompter().message(result);
  Edit1->setFocus();
}

void TloginForm::BitBtn2Click() {
  reject();
}

}  // namespace qk::client
