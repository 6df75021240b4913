// Password hashing: argon2id strings as libsodium writes them. Plain passwords are never stored,
// compared or logged.
#pragma once

#include <string>
#include <string_view>

namespace qk::server {

std::string hashPassword(std::string_view plain);
bool verifyPassword(std::string_view hash, std::string_view plain);
// True when the text has the form of a hash this module writes.
bool looksHashed(std::string_view text);
// Registers sp_setPassword, the one way to set a password:
//   exec sp_setPassword <user>, <old password>, <new password>
// One's own password (an empty user also names the caller) needs the old one; another user's
// needs the user screen's right. An empty new password is refused.
void registerPasswordProcedure();
// 64 hex digits from the system's random source: session tokens.
std::string randomToken();

}  // namespace qk::server
