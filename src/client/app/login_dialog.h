// The login dialog: account set, user name and password, checked by the application server.
// Remembers the last account set and user name in path.ini (written by the main window).
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qk::client {

class DataModule;

class TloginForm : public QDialog {
  Q_OBJECT
 public:
  explicit TloginForm(DataModule& dm, QWidget* parent = nullptr);

  QString account() const;
  QString user() const;

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
};

}  // namespace qk::client
