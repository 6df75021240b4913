// qk-screenshot: logs in to a running server the way a user would, shows the main window and
// saves a picture of the screen. Used by scripts/screenshot.sh under a virtual display.
//   qk-screenshot --server URL --account NAME --user NAME --password PW --out FILE [--tab N]
//                 [--action NAME | --dialog file|page-setup|print|print-preview|message|confirm]
#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <cstdio>
#include <functional>
#include <utility>

#include "client/app/application_setup.h"
#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/app/screens.h"
#include "client/data/data_module.h"
#include "client/masterdata/products_form.h"
#include "client/production/flow_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/message_prompter.h"

namespace {

const QStringList kDialogs{"file", "page-setup", "print", "print-preview", "message", "confirm"};

// Pictures the screen once the modal dialog is up, with one of its tool tips showing, lists all
// its tool tips, then closes it.
void pictureWhenShown(const QString& out) {
  QTimer::singleShot(1000, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    QToolButton* shown = nullptr;
    for (auto* b : dialog->findChildren<QToolButton*>()) {
      if (b->toolTip().isEmpty() || !b->isVisible()) continue;
      std::printf("tool tip: %s\n", qPrintable(b->toolTip()));
      if (!shown) shown = b;
    }
    if (shown)
      QToolTip::showText(shown->mapToGlobal(QPoint(shown->width() / 2, shown->height())),
                         shown->toolTip(), shown);
  });
  QTimer::singleShot(1800, [out] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
    std::printf("%s %s (%s)\n", ok ? "saved" : "could not save", qPrintable(out),
                qPrintable(dialog->windowTitle()));
    // A message box without a cancel button refuses close().
    if (auto* d = qobject_cast<QDialog*>(dialog)) d->reject();
  });
}

int pictureDialog(const QString& name, QWidget& window, const QString& out) {
  if (!kDialogs.contains(name)) {
    std::fprintf(stderr, "qk-screenshot: --dialog is one of %s\n", qPrintable(kDialogs.join(", ")));
    return 1;
  }
  pictureWhenShown(out);
  QPrinter printer;
  if (name == "file") {
    QFileDialog dlg(&window);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.exec();
  } else if (name == "page-setup") {
    QPageSetupDialog(&printer, &window).exec();
  } else if (name == "print") {
    QPrintDialog dlg(&printer, &window);
    // The options part holds most of the dialog's texts: picture it unfolded.
    QTimer::singleShot(300, &dlg, [&dlg] {
      for (auto* b : dlg.findChildren<QPushButton*>())
        if (b->text().startsWith("选项")) b->click();
    });
    dlg.exec();
  } else if (name == "print-preview") {
    QPrintPreviewDialog dlg(&printer, &window);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, [](QPrinter* p) {
      QPainter painter(p);
      painter.drawText(QPointF(100, 100), "QK管理系统 打印预览");
    });
    dlg.resize(1000, 650);
    dlg.exec();
  } else if (name == "message") {
    qk::client::prompter().message("保存成功！", qk::client::Prompter::Icon::Information);
  } else {
    qk::client::prompter().confirm("是否删除本张单据？", "提示");
  }
  return 0;
}
// Answers the dialogs the way the pictures need them: the login with the given names, query
// conditions with their defaults, and the screen of --action pictured as soon as it shows.
class ScreenshotDesktop : public qk::client::SystemDesktop {
 public:
  std::function<int(qk::client::TloginForm&)> login;
  std::function<void(QDialog&)> screen;

  int exec(QDialog& dlg) override {
    if (auto* l = qobject_cast<qk::client::TloginForm*>(&dlg)) return login(*l);
    if (auto* f = qobject_cast<qk::client::TfilterForm*>(&dlg))
      return f->qryActionExecute() ? QDialog::Accepted : QDialog::Rejected;
    // Only the screen of --action is pictured; what it opens itself is shown for real.
    if (screen) {
      const auto picture = std::exchange(screen, nullptr);
      picture(dlg);
      return QDialog::Rejected;
    }
    return SystemDesktop::exec(dlg);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qk::client::setUpApplication(app);
  QCommandLineParser cli;
  for (const char* name : {"server", "account", "user", "password", "out", "tab"})
    cli.addOption(QCommandLineOption(name, name, "value"));
  cli.addOption(QCommandLineOption("login-dialog", "picture of the login dialog only"));
  cli.addOption(QCommandLineOption("action", "opens this action's screen", "name"));
  cli.addOption(QCommandLineOption(
      "dialog", "pictures a dialog over the main window: " + kDialogs.join(", "), "name"));
  cli.process(app);

  qk::client::MessagePrompter prompter;
  qk::client::setPrompter(&prompter);
  ScreenshotDesktop desktop;
  qk::client::setDesktop(&desktop);
  qk::client::Connection connection(cli.value("server"));
  qk::client::DataModule dm(connection);
  qk::client::setDm(&dm);
  qk::client::registerStandardScreens();
  qk::client::TmainForm window(dm);
  if (cli.isSet("login-dialog")) {
    connection.open();
    qk::client::TloginForm dlg(dm);
    dlg.accEdit->setText(cli.value("account"));
    dlg.Edit3->setText(cli.value("user"));
    dlg.show();
    QTimer::singleShot(800, [&] {
      const bool ok = dlg.grab().save(cli.value("out"));
      app.exit(ok ? 0 : 1);
    });
    return app.exec();
  }
  desktop.login = [&](qk::client::TloginForm& dlg) {
    dlg.accEdit->setText(cli.value("account"));
    dlg.Edit3->setText(cli.value("user"));
    dlg.Edit1->setText(cli.value("password"));
    dlg.BitBtn1Click();
    return dlg.result();
  };
  window.resize(1366, 768);
  window.showMaximized();
  if (!window.FormShow()) {
    std::fprintf(stderr, "qk-screenshot: login failed\n");
    return 1;
  }
  if (auto* tabs = window.findChild<QTabWidget*>()) tabs->setCurrentIndex(cli.value("tab").toInt());
  if (cli.isSet("dialog")) return pictureDialog(cli.value("dialog"), window, cli.value("out"));
  if (cli.isSet("action")) {
    // A query screen runs at once with the default conditions, then the screen is pictured.
    desktop.screen = [&](QDialog& dlg) {
      dlg.resize(1300, 700);
      dlg.show();
      if (auto* q = qobject_cast<qk::client::Tsys_qryForm*>(&dlg)) q->qryActionExecute();
      if (auto* p = qobject_cast<qk::client::Tbas_productsForm*>(&dlg)) p->qryActionExecute();
      // A flow card with groups: the first item that has process records.
      if (auto* f = qobject_cast<qk::client::Tbus_flowForm*>(&dlg)) {
        qk::client::Dataset& pub = qk::client::dm().pubCDS;
        pub.setCommandText(
            "select t.gsNo from bus_flow f join bus_task_det t on t.taskNo = f.taskNo"
            " order by f.sysid limit 1");
        pub.open();
        if (!pub.isEmpty()) f->taskEdit->setText(pub.valueAt(0, "gsNo").toString());
        f->qryBtnClick();
      }
      QEventLoop wait;
      QTimer::singleShot(1200, &wait, &QEventLoop::quit);
      wait.exec();
      const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(cli.value("out"));
      std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(cli.value("out")));
      dlg.close();
      app.exit(ok ? 0 : 1);
    };
    // Through the action itself, so that help and about are pictured as the ribbon opens them.
    QTimer::singleShot(300, [&] {
      if (QAction* a = window.action(cli.value("action"))) a->trigger();
    });
    return app.exec();
  }
  QTimer::singleShot(1500, [&] {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const bool ok = shot.save(cli.value("out"));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", qPrintable(cli.value("out")),
                shot.width(), shot.height());
    app.exit(ok ? 0 : 1);
  });
  return app.exec();
}
