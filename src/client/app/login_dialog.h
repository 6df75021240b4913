// The login dialog: account set, user name and password, checked by the application server.
// Remembers the last account set and user name in path.ini (written by the main window). When
// a session is lost it opens again to renew it, for the account set of this run only.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qk::client {

class DataModule;

class TloginForm : public QDialog {
  Q_OBJECT
 public:
  // Start: the first login, names from path.ini. Renew: a new session after the old one was
  // lost; the account set of this run shown but fixed, its user name offered, "取消" to give up.
  enum class Purpose { Start, Renew };

  explicit TloginForm(DataModule& dm, QWidget* parent = nullptr, Purpose purpose = Purpose::Start);

  QString account() const;
  QString user() const;
  Purpose purpose() const { return purpose_; }

  // Confirm: checks the fields, asks the server, and accepts only on "OK".
  void BitBtn1Click();
  // Exit: closes the dialog as cancelled.
  void BitBtn2Click();

  QLineEdit* accEdit;
  QLineEdit* Edit3;  // user name
  QLineEdit* Edit1;  // password
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 private:
  DataModule& dm_;
  Purpose purpose_;
};

}  // namespace qk::client
