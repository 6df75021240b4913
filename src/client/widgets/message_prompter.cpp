#include "client/widgets/message_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qk::client {

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon) {
  switch (icon) {
    case Prompter::Icon::Information:
      return QMessageBox::Information;
    case Prompter::Icon::Warning:
      return QMessageBox::Warning;
    case Prompter::Icon::Stop:
      return QMessageBox::Critical;
    case Prompter::Icon::Question:
      return QMessageBox::Question;
    case Prompter::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QWidget* ownerOf(QWidget* parent) {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return parent ? parent : QApplication::activeWindow();
}

QString titleOr(const QString& title) {
  return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

}  // namespace

void MessagePrompter::message(const QString& text, Icon icon, const QString& title) {
  QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::Ok, ownerOf(parent_));
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool MessagePrompter::confirm(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, titleOr(title), text, QMessageBox::Yes | QMessageBox::No,
                  ownerOf(parent_));
  box.button(QMessageBox::Yes)->setText("是");
  box.button(QMessageBox::No)->setText("否");
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

int MessagePrompter::choose(const QString& text, const QStringList& buttons, Icon icon,
                            const QString& title) {
  QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::NoButton, ownerOf(parent_));
  QList<QAbstractButton*> added;
  for (const QString& b : buttons) added << box.addButton(b, QMessageBox::ActionRole);
  box.exec();
  return static_cast<int>(added.indexOf(box.clickedButton()));
}

std::optional<QString> MessagePrompter::input(const QString& title, const QString& prompt,
                                              const QString& value) {
  QInputDialog dlg(ownerOf(parent_));
  dlg.setWindowTitle(titleOr(title));
  dlg.setLabelText(prompt);
  dlg.setTextValue(value);
  dlg.setOkButtonText("确定");
  dlg.setCancelButtonText("取消");
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.textValue();
}

}  // namespace qk::client
