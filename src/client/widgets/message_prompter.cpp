#include "client/widgets/message_prompter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
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

// A short message makes a narrow box, and window managers then elide its title ("QK…端").
// An invisible item across the top row keeps the box wide enough for the title and the frame's
// icon and buttons.
void makeRoomForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  QFont titleFont = box.font();
  titleFont.setBold(true);
  const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 140;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), 0, 0, 1,
                grid->columnCount());
}

}  // namespace

void MessagePrompter::message(const QString& text, Icon icon, const QString& title) {
  QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::Ok, ownerOf(parent_));
  box.button(QMessageBox::Ok)->setText("确定");
  makeRoomForTitle(box);
  box.exec();
}

bool MessagePrompter::confirm(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, titleOr(title), text, QMessageBox::Yes | QMessageBox::No,
                  ownerOf(parent_));
  box.button(QMessageBox::Yes)->setText("是");
  box.button(QMessageBox::No)->setText("否");
  box.setDefaultButton(QMessageBox::Yes);
  makeRoomForTitle(box);
  return box.exec() == QMessageBox::Yes;
}

int MessagePrompter::choose(const QString& text, const QStringList& buttons, Icon icon,
                            const QString& title) {
  QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::NoButton, ownerOf(parent_));
  QList<QAbstractButton*> added;
  for (const QString& b : buttons) added << box.addButton(b, QMessageBox::ActionRole);
  makeRoomForTitle(box);
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
