#include "server/core/password.h"

#include <sodium.h>

#include <stdexcept>

namespace qk::server {

namespace {
void ensureSodium() {
  static const bool ok = sodium_init() >= 0;
  if (!ok) throw std::runtime_error("libsodium could not be initialised");
}
}  // namespace

std::string hashPassword(std::string_view plain) {
  ensureSodium();
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, plain.data(), plain.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw std::runtime_error("密码加密失败（内存不足）");
  return out;
}

bool verifyPassword(std::string_view hash, std::string_view plain) {
  ensureSodium();
  if (!looksHashed(hash)) return false;
  const std::string h(hash);  // needs a terminating NUL
  return crypto_pwhash_str_verify(h.c_str(), plain.data(), plain.size()) == 0;
}

bool looksHashed(std::string_view text) {
  return text.rfind("$argon2id$", 0) == 0;
}

std::string randomToken() {
  ensureSodium();
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  char hex[sizeof bytes * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
  return hex;
}

}  // namespace qk::server
