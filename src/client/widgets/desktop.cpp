#include "client/widgets/desktop.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "client/data/data_error.h"

namespace qk::client {

namespace {
Desktop* currentDesktop = nullptr;
}  // namespace

Desktop& desktop() {
  if (!currentDesktop) throw DataError("没有可用的桌面");
  return *currentDesktop;
}

void setDesktop(Desktop* d) {
  currentDesktop = d;
}

int SystemDesktop::exec(QDialog& dialog) {
  return dialog.exec();
}

QString SystemDesktop::saveFileName(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString SystemDesktop::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

bool SystemDesktop::openFile(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

SystemDesktop& systemDesktop() {
  static SystemDesktop instance;
  return instance;
}

}  // namespace qk::client
