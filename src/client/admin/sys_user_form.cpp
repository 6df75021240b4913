#include "client/admin/sys_user_form.h"

#include <QToolBar>

#include "client/admin/sys_pwd_form.h"
#include "client/admin/titled_columns.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/desktop.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/unsaved_work.h"

namespace qk::client {

namespace {

ListConfig userList() {
  Dataset& users = dm().userCDS;
  // The server never sends a stored password; the column only says there is one to set.
  if (!users.findField("pwdMask"))
    users.addCalculatedField("pwdMask", protocol::FieldType::String,
                             [](const Record&) { return QString(kPasswordMask); });
  ListConfig config{
      .caption = "用户设置",
      .dataset = &users,
      .columns = titledColumns({{"userId", "用户ID", 100},
                                {"userName", "用户名称 ", 140},
                                {"pwdMask", "密码", 100},
                                {"remark", "备注", 260}}),
  };
  config.columns[2].readOnly = true;
  return config;
}

}  // namespace

Tsys_userForm::Tsys_userForm(QWidget* parent) : TlistForm(userList(), parent) {
  if (auto* bar = findChild<QToolBar*>()) {
    addToolActions(*bar,
                   {{"设置密码", 'P', "edit", "设置所选用户的密码",
                     [this] { setPasswordExecute(); }, &setPasswordAction},
                    ToolAction::separator()},
                   closeAction);
  }
}

void Tsys_userForm::setPasswordExecute() {
  Dataset& ds = dataset();
  if (!ds.active() || ds.isEmpty()) return;
  // A user the server does not hold yet has no row to take a password.
  if (isEditing(ds) || ds.changeCount() > 0) {
    prompter().message("请先保存用户资料!", Prompter::Icon::Warning);
    return;
  }
  const QString user = ds.fieldByName("userName").asString();
  if (user.trimmed().isEmpty()) return;
  Tsys_pwdForm dlg(this, user);
  desktop().exec(dlg);
}

}  // namespace qk::client
