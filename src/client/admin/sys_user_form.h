// Tsys_userForm ("用户设置"): the user accounts, a list screen over dm's userCDS whose every
// post and delete reaches the server at once. Passwords show as a mask; "设置密码" sets the
// current row's password through the server, which stores only its hash.
#pragma once

#include "client/masterdata/list_form.h"

namespace qk::client {

inline constexpr const char* kPasswordMask = "******";

class Tsys_userForm : public TlistForm {
  Q_OBJECT
 public:
  explicit Tsys_userForm(QWidget* parent = nullptr);

  // Opens the password dialog for the current user row.
  void setPasswordExecute();

  QAction* setPasswordAction = nullptr;
};

}  // namespace qk::client
