// qk-client: the desktop program of QK.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "client/app/application_setup.h"
#include "client/app/client_config.h"
#include "client/app/main_window.h"
#include "client/app/screens.h"
#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/message_prompter.h"

namespace {

// Exceptions that escape an event handler end here instead of ending the program.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const qk::client::Abort&) {
      return false;
    } catch (const std::exception& e) {
      qk::client::showException(e);
      return false;
    }
  }
};

// qk-client --check-login ACCOUNT USER: logs in through the configured server address with the
// password read from standard input, with no window; an installer's check that a desk reaches
// the server. Prints the server's answer; exit code 0 only for a successful login.
int checkLogin(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const auto at = args.indexOf("--check-login");
  if (at + 2 >= args.size()) {
    std::fputs("usage: qk-client --check-login ACCOUNT USER < password\n", stderr);
    return 2;
  }
  std::string password;
  std::getline(std::cin, password);
  try {
    qk::client::Connection connection(qk::client::serverUrl(args));
    connection.setCaFile(qk::client::serverCaFile());
    connection.open();
    const QString result =
        connection.login(args[at + 1], args[at + 2], QString::fromStdString(password));
    std::printf("%s: %s\n", qPrintable(connection.url()), qPrintable(result));
    if (result != "OK") return 1;
    connection.logout();
    return 0;
  } catch (const qk::client::DataError& e) {
    std::fprintf(stderr, "%s\n", qPrintable(e.text()));
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--check-login") == 0) return checkLogin(argc, argv);
  Application app(argc, argv);
  if (!qk::client::setUpApplication(app))
    qWarning("qk-client: Qt's Chinese translations were not found; Qt's dialogs show English");
  QApplication::setApplicationVersion("0.1");

  qk::client::MessagePrompter prompter;
  qk::client::setPrompter(&prompter);
  qk::client::setDesktop(&qk::client::systemDesktop());

  std::unique_ptr<qk::client::Connection> connection;
  try {
    connection =
        std::make_unique<qk::client::Connection>(qk::client::serverUrl(QApplication::arguments()));
    connection->setCaFile(qk::client::serverCaFile());
  } catch (const qk::client::DataError& e) {
    prompter.message(e.text(), qk::client::Prompter::Icon::Stop, {});
    return 2;
  }
  connection->onBusy = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  qk::client::DataModule dm(*connection);
  qk::client::setDm(&dm);

  qk::client::registerStandardScreens();
  qk::client::TmainForm window(dm);
  prompter.setParent(&window);
  window.resize(1366, 768);
  window.showMaximized();
  return app.exec();
}
