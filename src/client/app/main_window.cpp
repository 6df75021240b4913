#include "client/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QStatusBar>
#include <QSysInfo>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "client/app/action_icons.h"
#include "client/app/actions.h"
#include "client/app/client_config.h"
#include "client/app/login_dialog.h"
#include "client/dashboard/dashboard_view.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/help/about_form.h"
#include "client/help/help_form.h"
#include "client/help/help_key.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"

namespace qk::client {

namespace {

// The background picture, scaled to whatever room the window gives it.
class BackgroundLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void setPicture(const QPixmap& pm) {
    picture_ = pm;
    rescale();
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QLabel::resizeEvent(e);
    rescale();
  }

 private:
  void rescale() {
    if (!picture_.isNull())
      setPixmap(picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  QPixmap picture_;
};

QString rtrimmed(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

}  // namespace

TmainForm::TmainForm(DataModule& dm, QWidget* parent) : QMainWindow(parent), dm_(dm) {
  setWindowTitle("QK管理系统客户端");

  buildActions();
  buildRibbon();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ribbon_);
  auto* bg = new BackgroundLabel(central);
  background_ = bg;
  background_->setAlignment(Qt::AlignCenter);
  background_->setStyleSheet(
      "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fc, stop:1 #dce7f3);"
      "color: #9fb3c8; font-size: 40px; font-weight: bold;");
  background_->setText("QK管理系统");
  background_->setMinimumSize(1, 1);
  background_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(background_, 1);
  setCentralWidget(central);

  const int widths[4] = {200, 200, 220, 50};
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setFixedWidth(widths[i]);
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    statusBar()->addWidget(panels_[i]);
  }

  // Nothing is usable before a confirmed login and the rights step.
  ribbon_->setEnabled(false);

  Timer1 = new QTimer(this);
  Timer1->setInterval(60000);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  dm_.connection().onSessionLost = [this] { return renewSession(); };
}

TmainForm::~TmainForm() {
  dm_.connection().onSessionLost = nullptr;
}

void TmainForm::buildActions() {
  for (const ActionDef& def : rightsActions()) {
    auto* a = new QAction(actionIcon(def.name), def.caption, this);
    a->setObjectName(def.name);
    const QString name = def.name;
    connect(a, &QAction::triggered, this, [this, name] { guarded([&] { openAction(name); }); });
    actions_[name] = a;
  }
  // Exit, help and about are never subject to rights.
  auto add = [this](const char* name, const char* caption, std::function<void()> fn) {
    auto* a = new QAction(actionIcon(name), caption, this);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [fn] { guarded(fn); });
    actions_[name] = a;
  };
  add("exit1Action", "退出", [this] { close(); });
  add("helpAction", "帮助", [this] { showHelp(); });
  add("aboutAction", "关于", [this] { showAbout(); });
}

void TmainForm::buildRibbon() {
  ribbon_ = new QTabWidget(this);
  ribbon_->setDocumentMode(true);
  ribbon_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  ribbon_->setStyleSheet(
      "QTabWidget::pane { border-top: 1px solid #b8c7d9; background: #f7f9fc; }"
      "QTabBar::tab { padding: 5px 18px; margin-right: 2px; }"
      "QTabBar::tab:selected { background: #f7f9fc; border: 1px solid #b8c7d9;"
      " border-bottom: none; font-weight: bold; }"
      "QToolButton { padding: 2px 4px; }");

  auto* appMenuButton = new QToolButton(ribbon_);
  appMenuButton->setText("管理系统");
  appMenuButton->setPopupMode(QToolButton::InstantPopup);
  appMenuButton->setStyleSheet(
      "QToolButton { background: #1565c0; color: white; font-weight: bold; padding: 4px 12px;"
      " border: none; } QToolButton::menu-indicator { image: none; }");
  auto* appMenu = new QMenu(appMenuButton);
  appMenu->addAction(actions_["aboutAction"]);
  appMenu->addAction(actions_["helpAction"]);
  appMenu->addSeparator();
  appMenu->addAction(actions_["exit1Action"]);
  appMenuButton->setMenu(appMenu);
  ribbon_->setCornerWidget(appMenuButton, Qt::TopLeftCorner);

  for (const RibbonTab& tab : ribbonLayout()) {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(2);
    bool firstGroup = true;
    for (const auto& group : tab.groups) {
      if (!firstGroup) {
        auto* line = new QFrame(page);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        row->addWidget(line);
      }
      firstGroup = false;
      for (const char* name : group) {
        auto* button = new QToolButton(page);
        button->setDefaultAction(actions_.value(name));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        button->setMinimumWidth(64);
        row->addWidget(button);
      }
    }
    row->addStretch();
    ribbon_->addTab(page, tab.title);
  }
}

QAction* TmainForm::action(const QString& name) const {
  return actions_.value(name);
}

QString TmainForm::statusText(int panel) const {
  return panels_[panel]->text();
}

void TmainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (started_) return;
  started_ = true;
  // Let the window appear first; the login dialog then opens over it.
  QTimer::singleShot(0, this, [this] {
    if (!FormShow()) close();
  });
}

bool TmainForm::FormShow() {
  // 1. Connect; an unreachable server is said plainly, with the address tried.
  while (!dm_.connection().isOpen()) {
    try {
      dm_.connection().open();
    } catch (const DataError& e) {
      const int choice =
          prompter().choose(e.text() + "\n\n请确认应用服务器已经启动，然后重试。", {"重试", "退出"},
                            Prompter::Icon::Stop, "无法连接应用服务器");
      if (choice != 0) return false;
    }
  }

  // 2. Login.
  auto dlg = std::make_unique<TloginForm>(dm_, this);
  if (desktop().exec(*dlg) != QDialog::Accepted) return false;

  // 3–6. Login values, rights, login record, path.ini: without them the window must not become
  // usable.
  const bool ready = guarded([&] { beginSession(dlg->user(), dlg->account()); });
  dlg.reset();
  if (!ready) return false;
  loggedIn_ = true;
  ribbon_->setEnabled(true);

  // 8–9. Settings and background: a failure is reported, the window stays usable.
  guarded([&] { loadSettings(dm_.pubCDS); });
  loadBackground();
  Timer1->start();
  return true;
}

void TmainForm::beginSession(const QString& user, const QString& account) {
  dm_.userName = user;
  dm_.accountName = account;
  dm_.loginTime = QDateTime::currentDateTime();
  panels_[0]->setText("账套名: " + dm_.accountName);
  panels_[1]->setText("用户名: " + dm_.userName);
  panels_[2]->setText("登录时间: " + QLocale().toString(dm_.loginTime, QLocale::ShortFormat));

  // A dataset of its own: a renewal runs inside whatever call lost the session, and that call
  // may be using pubCDS or tmpCDS.
  Dataset ds(dm_.connection(), "pubDSP");
  applyRights(ds);
  ds.setCommandText(
      "insert into sys_log(userName,sysdate,logintime,computerName) "
      "values(:p1,getdate(),getdate(),:p2)");
  ds.params().byName("p1").value = dm_.userName;
  ds.params().byName("p2").value = QSysInfo::machineHostName().left(19);
  ds.execute();
  // The id of the row just inserted on this session's connection: another client's
  // simultaneous login cannot be picked up by mistake.
  dm_.loginId = ds.lastInsertId();
  writeLoginMemory({dm_.userName, dm_.accountName});
}

bool TmainForm::renewSession() {
  if (!loggedIn_) return false;
  // The keep-alive must not fire inside the dialog's event loop; it resumes afterwards.
  const bool keepingAlive = Timer1->isActive();
  Timer1->stop();
  const auto resume = qScopeGuard([&] {
    if (keepingAlive) Timer1->start();
  });
  // Over whatever modal screen made the call, so the window manager stacks it on top.
  QWidget* over = QApplication::activeModalWidget();
  TloginForm dlg(dm_, over ? over : this, TloginForm::Purpose::Renew);
  if (desktop().exec(dlg) != QDialog::Accepted) {
    sessionDeclined_ = true;
    return false;
  }
  sessionDeclined_ = false;
  // The lost session's login ends here, as far as anyone can tell.
  Dataset ended(dm_.connection(), "pubDSP");
  ended.setCommandText(
      "update sys_log set logoutTime = getdate() where sysid = :c1 and logoutTime is null");
  ended.params().byName("c1").value = dm_.loginId;
  ended.execute();
  beginSession(dlg.user(), dlg.account());
  return true;
}

void TmainForm::applyRights(Dataset& rights) {
  // Trailing blanks of the typed name do not count, as the database compared names.
  rights.setCommandText("select * from sys_rights where userName = :p1");
  rights.params().byName("p1").value = rtrimmed(dm_.userName);
  rights.open();
  for (const ActionDef& def : rightsActions()) {
    QAction* a = actions_.value(def.name);
    bool allowed = false;
    for (int row = 0; row < rights.recordCount(); ++row) {
      if (rights.valueAt(row, "actionNo").toString() == QString(def.name)) {
        allowed = rights.valueAt(row, "canView").toBool();
        break;
      }
    }
    const bool available = findScreen(def.name) || actionNeedsNoScreen(def.name);
    a->setEnabled(allowed && available);
    a->setToolTip(def.caption);
    a->setProperty("allowed", allowed);
  }
}

void TmainForm::openAction(const QString& name) {
  const ActionDef* def = findAction(name);
  if (!def || !loggedIn_) return;
  QAction* a = actions_.value(name);
  if (a && !a->isEnabled()) return;
  if (name == "exitAction") {
    close();
    return;
  }
  const ScreenFactory* factory = findScreen(name);
  if (!factory) return;  // inert actions
  if (def->logged) {
    Dataset& pub = dm_.pubCDS;
    pub.setCommandText("insert into sys_log_det(mId,detail) values(:p1,:p2)");
    const qint64 loginId = dm_.loginId;
    pub.params().byName("p1").value = loginId;
    pub.params().byName("p2").value = QString(def->caption);
    pub.execute();
    // The session was renewed on the way: the row went out with the lost login's id.
    if (dm_.loginId != loginId) {
      const qint64 row = pub.lastInsertId();
      pub.setCommandText("update sys_log_det set mId = :p1 where sysId = :p2");
      pub.params().byName("p1").value = dm_.loginId;
      pub.params().byName("p2").value = row;
      pub.execute();
    }
  }
  const std::unique_ptr<QDialog> screen = (*factory)(this);
  if (!screen) return;  // the screen's own first question was cancelled
  attachHelp(*screen, name);
  desktop().exec(*screen);
}

void TmainForm::Timer1Timer() {
  // A session the user chose not to renew has nothing to keep alive: the next action asks again.
  if (sessionDeclined_ || dm_.connection().renewingSession()) return;
  try {
    dm_.tmpCDS.setCommandText("select getdate()");
    dm_.tmpCDS.open();
    keepAliveFailing_ = false;
  } catch (const std::exception& e) {
    // Said once, not every minute while the server stays away; nor right after the user
    // declined to log in again.
    if (!keepAliveFailing_ && !sessionDeclined_) {
      keepAliveFailing_ = true;
      showException(e);
    }
  }
}

void TmainForm::recordLogout() {
  if (dm_.userName.isEmpty() || !loggedIn_) return;
  // Cleared first: leaving the program must not ask for a login only to write the logout time.
  loggedIn_ = false;
  guarded([&] {
    try {
      Dataset& pub = dm_.pubCDS;
      pub.setCommandText("update sys_log set logoutTime = getdate() where sysid = :c1");
      pub.params().byName("c1").value = dm_.loginId;
      pub.execute();
      dm_.connection().logout();
    } catch (const DataError& e) {
      // The session is already gone: there is nothing left to log out of.
      if (e.code() != protocol::code::kSession) throw;
    }
  });
}

void TmainForm::closeEvent(QCloseEvent* event) {
  Timer1->stop();
  recordLogout();
  QMainWindow::closeEvent(event);
}

void TmainForm::loadBackground() {
  // With the setting showDashboard the dashboard takes the empty area, for those who may see it.
  bool dashboard = false;
  if (QAction* a = actions_.value("dashboardAction"); a && a->isEnabled())
    guarded([&] {
      Dataset ds(dm_.connection(), "pubDSP");
      ds.setCommandText("select idValue from sys_config where idName = 'showDashboard'");
      ds.open();
      dashboard = ds.recordCount() > 0 && ds.valueAt(0, "idValue").toString().trimmed() == "是";
    });
  if (dashboard) {
    if (!centralWidget()->findChild<DashboardView*>()) {
      auto* view = new DashboardView(centralWidget());
      static_cast<QVBoxLayout*>(centralWidget()->layout())->insertWidget(1, view, 1);
    }
    background_->hide();
    return;
  }
  // Any failure (no file, unreadable, empty name) leaves the plain background.
  const QString file = settings().background.trimmed();
  if (file.isEmpty()) return;
  QPixmap pm;
  const QString path = QFileInfo(file).isAbsolute() ? file : programDir() + "/" + file;
  if (!pm.load(path)) return;
  static_cast<BackgroundLabel*>(background_)->setPicture(pm);
}

void TmainForm::showAbout() {
  TaboutForm about(this);
  desktop().exec(about);
}

void TmainForm::showHelp() {
  ThelpForm help(this);
  desktop().exec(help);
}

}  // namespace qk::client
