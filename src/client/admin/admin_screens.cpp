#include "client/admin/admin_screens.h"

#include <QDialog>
#include <memory>

#include "client/admin/sys_col_form.h"
#include "client/admin/sys_config_form.h"
#include "client/admin/sys_log_form.h"
#include "client/admin/sys_pwd_form.h"
#include "client/admin/sys_qry_set_form.h"
#include "client/admin/sys_rights_form.h"
#include "client/admin/sys_user_form.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

void registerAdminScreens() {
  registerForm<Tsys_userForm>("sys_userAction");
  registerForm<Tsys_rightsForm>("sys_rightsAction");
  registerForm<Tsys_pwdForm>("sys_pwdAction");
  registerForm<Tsys_logForm>("sys_logAction");
  registerForm<Tsys_configForm>("sys_configAction");
  registerForm<Tsys_colForm>("sys_colAction");
  registerForm<Tsys_qry_setForm>("sys_qry_setAction");
}

}  // namespace qk::client
