// Tsys_pwdForm ("修改密码"): changes the current user's password, or, opened from the users
// screen for another user, sets that user's password. The server checks the old password and
// stores only a hash; the screen never reads, shows or compares a stored password.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace qk::client {

inline constexpr const char* kOldPasswordWrong = "原密码错误!";
inline constexpr const char* kNewPasswordsDiffer = "新密码不一致!";
inline constexpr const char* kNewPasswordEmpty = "新密码不能为空!";
inline constexpr const char* kPasswordChanged = "密码成功更改!";

class Tsys_pwdForm : public QDialog {
  Q_OBJECT
 public:
  // Without a user: the current user's own password, which needs the old one.
  explicit Tsys_pwdForm(QWidget* parent = nullptr, QString user = {});

  // "确定" (also Enter in any field): checks, asks the server, closes on success.
  void okExecute();

  QLineEdit *Edit1, *Edit2, *Edit3;  // old, new, new again

 private:
  QString user_;
};

}  // namespace qk::client
