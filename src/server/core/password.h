// Password hashing: argon2id strings as libsodium writes them. Plain passwords are never stored,
// compared or logged.
#pragma once

#include <string>
#include <string_view>

namespace qk::server {

std::string hashPassword(std::string_view plain);
bool verifyPassword(std::string_view hash, std::string_view plain);
// True when the text already is a hash this module wrote (so it is not hashed twice).
bool looksHashed(std::string_view text);
// 64 hex digits from the system's random source: session tokens.
std::string randomToken();

}  // namespace qk::server
