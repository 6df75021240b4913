// sp_setPassword: hashes the new password and stores it; the only writer of sys_user.pwd.
#include <string>

#include "server/core/password.h"
#include "server/core/rights.h"
#include "server/core/rights_map.h"
#include "server/procedures/registry.h"

namespace qk::server {

namespace {

bool holds(db::Connection& db, std::string_view user, std::string_view action) {
  const auto rs = db.query(
      "SELECT 1 FROM main.sys_rights WHERE rtrim(userName) = :u COLLATE NOCASE "
      "AND actionNo = :a COLLATE NOCASE AND canView = 1",
      {{"u", std::string(user)}, {"a", std::string(action)}});
  return !rs.rows.empty();
}

std::optional<protocol::RecordSet> setPassword(ProcedureCall& call) {
  const std::string caller = rtrimmed(std::string(call.user));
  if (caller.empty()) throw db::refusal("设置密码需要先登录");
  std::string target = rtrimmed(call.text(0));
  if (target.empty()) target = caller;
  const std::string oldPassword = call.text(1);
  const std::string newPassword = call.text(2);
  if (newPassword.empty()) throw db::refusal("新密码不能为空");

  const auto rs = call.db.query(
      "SELECT userName, pwd FROM main.sys_user WHERE rtrim(userName) = :u COLLATE NOCASE",
      {{"u", target}});
  if (rs.rows.empty()) throw db::DbError("用户“" + target + "”不存在", db::ErrorKind::NotFound);
  const protocol::Value& stored = rs.rows[0][0];
  if (protocol::iequals(rtrimmed(protocol::toDisplayText(stored)), caller)) {
    if (!verifyPassword(protocol::toDisplayText(rs.rows[0][1]), oldPassword))
      throw db::refusal("原密码错误!");
  } else if (!holds(call.db, caller, kUserAdminAction)) {
    throw db::refusal("没有“用户设置”的权限，不能修改其他用户的密码");
  }
  call.db.execute("UPDATE main.sys_user SET pwd = :p WHERE userName = :u",
                  {{"p", hashPassword(newPassword)}, {"u", stored}});
  return std::nullopt;
}

}  // namespace

void registerPasswordProcedure() {
  registerProcedure("sp_setPassword", setPassword);
}

}  // namespace qk::server
