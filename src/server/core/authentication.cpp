#include "server/core/authentication.h"

#include "server/core/password.h"

namespace qk::server {

std::string loginRefusal(db::Connection& db, std::string_view user, std::string_view password) {
  std::string name(user);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  const auto rs = db.query("select pwd from sys_user where rtrim(userName) = :u", {{"u", name}});
  if (rs.rows.empty()) return "用户“" + name + "”不存在";
  if (!verifyPassword(protocol::toDisplayText(rs.rows[0][0]), password)) return "密码错误";
  return {};
}

}  // namespace qk::server
