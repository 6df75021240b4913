// qk-screenshot: logs in to a running server the way a user would, shows the main window and
// saves a picture of the screen. Used by scripts/screenshot.sh under a virtual display.
//   qk-screenshot --server URL --account NAME --user NAME --password PW --out FILE [--tab N]
//                 [--action NAME | --dialog file|page-setup|print|print-preview|message|confirm]
//                 [--first-dialog-out FILE] [--accept-first-dialog] [--then ENTRY] [--timeout S]
// A screen that asks something first (a finder, a period and warehouses) opens a dialog before
// it shows: that dialog alone is pictured into --out, unless --first-dialog-out takes its picture
// or --accept-first-dialog accepts it; either way it is then accepted with its defaults and the
// screen pictured. --then triggers the screen's toolbar entry of that text and pictures the
// dialog it opens instead (the ledger behind "所有明细"). Whatever stays open past --timeout
// seconds ends the program with a message naming it, never a hang.
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
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "client/app/application_setup.h"
#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/app/screens.h"
#include "client/dashboard/dashboard_form.h"
#include "client/dashboard/dashboard_view.h"
#include "client/data/data_module.h"
#include "client/masterdata/products_form.h"
#include "client/production/flow_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/stock/index_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/message_prompter.h"
#include "client/widgets/screen_registry.h"

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
// Shows the dialog, lets it paint and pictures the whole screen into the file.
bool pictureShown(QDialog& dlg, const QString& out) {
  dlg.show();
  QEventLoop wait;
  QTimer::singleShot(1200, &wait, &QEventLoop::quit);
  wait.exec();
  const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
  std::printf("%s %s (%s)\n", ok ? "saved" : "could not save", qPrintable(out),
              qPrintable(dlg.windowTitle()));
  return ok;
}

// A question asked before a screen shows, answered with what it offers; a warehouse choice with
// every warehouse ticked, since none ticked is refused.
void acceptDefaults(QDialog& dlg) {
  if (auto* w = qobject_cast<qk::client::TindexForm*>(&dlg))
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i)
      w->ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
}

// Answers the dialogs the way the pictures need them: the login with the given names, query
// conditions with their defaults, and while --action opens its screen: the dialogs it asks
// first, the screen itself and what --then opens from it.
class ScreenshotDesktop : public qk::client::SystemDesktop {
 public:
  std::function<int(qk::client::TloginForm&)> login;
  std::function<void(QDialog&)> screen;   // pictures the screen of --action
  std::function<void(QDialog&)> then;     // pictures what the screen's --then entry opened
  const QDialog* screenDialog = nullptr;  // made by the action's factory
  QString firstOut;                       // --first-dialog-out
  bool acceptFirst = false;               // --accept-first-dialog
  QString out;
  bool screenOpened = false, screenShown = false;
  bool done = false;  // the picture asked for is taken (or failed): answer nothing more

  int exec(QDialog& dlg) override {
    if (auto* l = qobject_cast<qk::client::TloginForm*>(&dlg)) return login(*l);
    if (auto* f = qobject_cast<qk::client::TfilterForm*>(&dlg))
      return f->qryActionExecute() ? QDialog::Accepted : QDialog::Rejected;
    if (done) return QDialog::Rejected;
    if (!screen) return SystemDesktop::exec(dlg);
    if (&dlg == screenDialog && !screenOpened) {
      screenOpened = true;
      screen(dlg);
      return QDialog::Rejected;
    }
    if (!screenShown) return answerFirst(dlg);
    if (then) {
      std::exchange(then, nullptr)(dlg);
      return QDialog::Rejected;
    }
    return SystemDesktop::exec(dlg);
  }

 private:
  int answerFirst(QDialog& dlg) {
    const bool pictured = !acceptFirst || !firstOut.isEmpty();
    const bool ok = !pictured || pictureShown(dlg, firstOut.isEmpty() ? out : firstOut);
    dlg.hide();
    if (!ok || (firstOut.isEmpty() && !acceptFirst)) {
      std::printf(
          "“%s” opens before the screen: --accept-first-dialog pictures the screen, "
          "--first-dialog-out FILE both\n",
          qPrintable(dlg.windowTitle()));
      done = true;
      QCoreApplication::exit(ok ? 0 : 1);
      return QDialog::Rejected;
    }
    acceptDefaults(dlg);
    return QDialog::Accepted;
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
  cli.addOption(QCommandLineOption(
      "first-dialog-out", "pictures a dialog the screen opens first into this file", "file"));
  cli.addOption(QCommandLineOption("accept-first-dialog",
                                   "accepts a dialog the screen opens first with its defaults"));
  cli.addOption(QCommandLineOption(
      "then", "triggers this toolbar entry of the screen and pictures what it opens", "text"));
  cli.addOption(QCommandLineOption("timeout", "seconds before giving up (60)", "seconds"));
  cli.process(app);

  // A dialog nobody answers would otherwise keep the program, and the script, waiting forever.
  const int timeout = cli.isSet("timeout") ? std::max(1, cli.value("timeout").toInt()) : 60;
  QTimer::singleShot(timeout * 1000, [timeout] {
    const QWidget* open = QApplication::activeModalWidget();
    std::fprintf(stderr, "qk-screenshot: no picture after %d s%s%s%s\n", timeout,
                 open ? ", the dialog “" : "", open ? qPrintable(open->windowTitle()) : "",
                 open ? "” is still waiting for an answer" : "");
    std::fflush(nullptr);
    std::_Exit(2);
  });

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
    const QString action = cli.value("action");
    const qk::client::ScreenFactory* factory = qk::client::findScreen(action);
    if (!factory) {
      std::fprintf(stderr, "qk-screenshot: no screen for the action %s\n", qPrintable(action));
      return 1;
    }
    // The screen is known by where it comes from: dialogs its factory or its first showing
    // open are questions asked before it.
    qk::client::registerScreen(action, [&desktop, made = *factory](QWidget* parent) {
      std::unique_ptr<QDialog> dlg = made(parent);
      desktop.screenDialog = dlg.get();
      return dlg;
    });
    desktop.out = cli.value("out");
    desktop.firstOut = cli.value("first-dialog-out");
    desktop.acceptFirst = cli.isSet("accept-first-dialog") || cli.isSet("first-dialog-out");
    auto finish = [&](bool ok) {
      desktop.done = true;
      app.exit(ok ? 0 : 1);
    };
    if (cli.isSet("then"))
      desktop.then = [&](QDialog& dlg) {
        dlg.resize(1300, 700);
        const bool ok = pictureShown(dlg, desktop.out);
        dlg.hide();
        finish(ok);
      };
    // A query screen runs at once with the default conditions, then the screen is pictured.
    desktop.screen = [&](QDialog& dlg) {
      dlg.resize(1300, 700);
      dlg.show();  // a screen that asks first does so here
      desktop.screenShown = true;
      if (desktop.done) return;
      if (auto* q = qobject_cast<qk::client::Tsys_qryForm*>(&dlg)) q->qryActionExecute();
      if (auto* p = qobject_cast<qk::client::Tbas_productsForm*>(&dlg)) p->qryActionExecute();
      // The dashboard loads on a worker: pictured once its figures are in.
      if (auto* d = qobject_cast<qk::client::TdashboardForm*>(&dlg)) d->view()->waitForLoad();
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
      if (!desktop.then) {
        const bool ok = pictureShown(dlg, desktop.out);
        dlg.close();
        finish(ok);
        return;
      }
      QAction* entry = nullptr;
      for (QAction* a : dlg.findChildren<QAction*>())
        if (a->text() == cli.value("then")) entry = a;
      if (!entry) {
        std::fprintf(stderr, "qk-screenshot: the screen has no entry “%s”\n",
                     qPrintable(cli.value("then")));
        finish(false);
        return;
      }
      entry->trigger();
      if (!desktop.done) {
        std::fprintf(stderr, "qk-screenshot: “%s” opened no dialog\n",
                     qPrintable(cli.value("then")));
        finish(false);
      }
      dlg.close();
    };
    // Through the action itself, so that help and about are pictured as the ribbon opens them.
    QTimer::singleShot(300, [&] {
      if (QAction* a = window.action(action))
        a->trigger();
      else
        window.openAction(action);
      // The factory's own question was cancelled, or the action is not allowed.
      if (!desktop.done) {
        std::fprintf(stderr, "qk-screenshot: the action %s opened no screen\n", qPrintable(action));
        finish(false);
      }
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
