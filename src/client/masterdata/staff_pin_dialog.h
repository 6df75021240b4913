// The PIN a worker signs in with on the shop-floor page, typed by an administrator from the staff
// list. The digits are masked as typed and go only to the server's sp_setStaffPin, which stores
// a hash; nothing on the client keeps them.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace qk::client {

class StaffPinDialog : public QDialog {
  Q_OBJECT
 public:
  StaffPinDialog(const QString& staffNo, const QString& staffName, QWidget* parent = nullptr);

  QLineEdit* pinEdit;
  QLineEdit* repeatEdit;
  // Checks the two entries and closes with Accepted; a mismatch or a malformed PIN is told.
  void okClick();
  // Closes with Accepted and an empty PIN: the worker can no longer sign in.
  void clearClick();
  QString pin() const { return pin_; }

 private:
  QString pin_;
};

// Asks for the current staff member's PIN and sets it through the server.
void setStaffPin(QWidget* parent, const QString& staffNo, const QString& staffName);

}  // namespace qk::client
