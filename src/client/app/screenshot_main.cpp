// qk-screenshot: logs in to a running server the way a user would, shows the main window and
// saves a picture of the screen. Used by scripts/screenshot.sh under a virtual display.
//   qk-screenshot --server URL --account NAME --user NAME --password PW --out FILE [--tab N]
#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/data/data_module.h"
#include "client/widgets/message_prompter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("QK管理系统客户端");
  // The interface is Chinese; dates and numbers follow suit.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  QCommandLineParser cli;
  for (const char* name : {"server", "account", "user", "password", "out", "tab"})
    cli.addOption(QCommandLineOption(name, name, "value"));
  cli.process(app);

  qk::client::MessagePrompter prompter;
  qk::client::setPrompter(&prompter);
  qk::client::Connection connection(cli.value("server"));
  qk::client::DataModule dm(connection);
  qk::client::setDm(&dm);
  qk::client::TmainForm window(dm);
  window.runLogin = [&](qk::client::TloginForm& dlg) {
    dlg.accEdit->setText(cli.value("account"));
    dlg.Edit3->setText(cli.value("user"));
    dlg.Edit1->setText(cli.value("password"));
    dlg.BitBtn1Click();
    return dlg.result() == QDialog::Accepted;
  };
  window.resize(1366, 768);
  window.showMaximized();
  if (!window.FormShow()) {
    std::fprintf(stderr, "qk-screenshot: login failed\n");
    return 1;
  }
  if (auto* tabs = window.findChild<QTabWidget*>()) tabs->setCurrentIndex(cli.value("tab").toInt());
  QTimer::singleShot(1500, [&] {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const bool ok = shot.save(cli.value("out"));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", qPrintable(cli.value("out")),
                shot.width(), shot.height());
    app.exit(ok ? 0 : 1);
  });
  return app.exec();
}
