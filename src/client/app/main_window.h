// The main window: connects, runs the login, applies the user's rights to the ribbon's actions,
// records the login, each screen opening and the logout, keeps the connection alive, and opens
// every screen as a modal dialog created for that opening. When the server has lost the session
// it asks for the login again in the middle of the failed call, so open screens keep their work.
#pragma once

#include <QMainWindow>
#include <QMap>

class QLabel;
class QTabWidget;
class QTimer;

namespace qk::client {

class DataModule;
class Dataset;

class TmainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TmainForm(DataModule& dm, QWidget* parent = nullptr);
  ~TmainForm() override;

  // The first-show sequence: connect, log in, rights, login record, path.ini, settings,
  // background. Returns false when the program is to end (login cancelled, server unreachable
  // and the user chose to quit, or the rights could not be read).
  bool FormShow();
  bool loggedIn() const { return loggedIn_; }

  QAction* action(const QString& name) const;
  QString statusText(int panel) const;
  // What a click on the action does (rights and availability permitting).
  void openAction(const QString& name);
  void Timer1Timer();  // keep-alive
  void recordLogout();
  // The connection's hook for a lost session: the login dialog again (account set fixed), and
  // on success the login values, rights and login record of the new session. False when the
  // user cancelled or there is no login to renew (before the first, or while closing).
  bool renewSession();

  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildActions();
  void buildRibbon();
  void beginSession(const QString& user, const QString& account);
  void applyRights(Dataset& rights);
  void loadBackground();
  void showAbout();
  void showHelp();

  DataModule& dm_;
  QTabWidget* ribbon_;
  QLabel* background_;
  QPixmap* backgroundPixmap_ = nullptr;
  QLabel* panels_[4];
  QMap<QString, QAction*> actions_;
  bool started_ = false;
  bool loggedIn_ = false;
  bool keepAliveFailing_ = false;
  bool sessionDeclined_ = false;  // the user cancelled the renewal; the next action asks again
};

}  // namespace qk::client
