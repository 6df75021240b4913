// qk-client: the desktop program of QK.
#include <QApplication>

#include "client/app/application_setup.h"
#include "client/app/client_config.h"
#include "client/app/main_window.h"
#include "client/app/screens.h"
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

}  // namespace

int main(int argc, char** argv) {
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
