// Checks a user's password against the argon2id hash the account set stores for that user. The
// plain password is compared nowhere else and never leaves this unit.
#pragma once

#include <string>
#include <string_view>

#include "server/db/connection.h"

namespace qk::server {

// The reason a login is refused ("用户“x”不存在", "密码错误"), or empty when the password matches.
// The user name matches without its trailing blanks, as the original database compared them.
std::string loginRefusal(db::Connection& db, std::string_view user, std::string_view password);

}  // namespace qk::server
