#include "server/core/session_records.h"

#include <sodium.h>

#include "protocol/value.h"
#include "server/core/password.h"

namespace qk::server {

namespace {

// The SHA-256 of a token in hex: what the records keep, so reading the database gives no one a
// usable token.
std::string tokenHash(std::string_view token) {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(token.data()), token.size());
  char hex[sizeof digest * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
}

std::int64_t integerOf(const protocol::Value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(*d);
  return 0;
}

// Addresses are kept to the column's size; a longer one (it cannot be an IP address) is cut.
std::string addressKey(std::string_view address) {
  return std::string(address.substr(0, 64));
}

}  // namespace

std::int64_t unixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string newSessionToken(std::string_view account) {
  std::string hex(account.size() * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(account.data()),
                 account.size());
  hex.pop_back();
  return hex + "." + randomToken();
}

std::optional<std::string> tokenAccount(std::string_view token) {
  const auto dot = token.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot % 2 != 0 || token.size() - dot - 1 != 64)
    return std::nullopt;
  std::string account(dot / 2, '\0');
  std::size_t length = 0;
  if (sodium_hex2bin(reinterpret_cast<unsigned char*>(account.data()), account.size(), token.data(),
                     dot, nullptr, &length, nullptr) != 0 ||
      length != account.size())
    return std::nullopt;
  return account;
}

void SessionRecords::record(std::string_view token, std::string_view user,
                            std::string_view address) {
  const std::int64_t now = unixNow();
  db_.execute(
      "INSERT INTO qk_session (tokenHash, userName, address, created, lastUsed) "
      "VALUES (:h, :u, :a, :t, :t)",
      {{"h", tokenHash(token)}, {"u", std::string(user)}, {"a", addressKey(address)}, {"t", now}});
}

std::optional<std::string> SessionRecords::take(std::string_view token) {
  const auto rs = db_.query("SELECT userName, lastUsed FROM qk_session WHERE tokenHash = :h",
                            {{"h", tokenHash(token)}});
  if (rs.rows.empty()) return std::nullopt;
  // Whole seconds: a record a full limit old may be up to a second short of it, and a session
  // this server's own clock has just expired must never come back through its record.
  if (unixNow() - integerOf(rs.rows[0][1]) >= idleLimit_.count()) {
    forget(token);
    return std::nullopt;
  }
  if (!touch(token)) return std::nullopt;
  return protocol::toDisplayText(rs.rows[0][0]);
}

bool SessionRecords::touch(std::string_view token) {
  return db_.execute("UPDATE qk_session SET lastUsed = :t WHERE tokenHash = :h",
                     {{"t", unixNow()}, {"h", tokenHash(token)}})
             .rowsAffected > 0;
}

void SessionRecords::forget(std::string_view token) {
  db_.execute("DELETE FROM qk_session WHERE tokenHash = :h", {{"h", tokenHash(token)}});
}

void SessionRecords::forgetIdle() {
  db_.execute("DELETE FROM qk_session WHERE lastUsed <= :t",
              {{"t", unixNow() - idleLimit_.count()}});
}

long SharedLoginFailures::waitSeconds(std::string_view user, std::string_view address) {
  const auto rs = db_.query(
      "SELECT failures, lastFailure FROM qk_login_failure WHERE userName = :u AND address = :a",
      {{"u", std::string(user)}, {"a", addressKey(address)}});
  if (rs.rows.empty()) return 0;
  const auto failures = static_cast<int>(integerOf(rs.rows[0][0]));
  const std::int64_t until =
      integerOf(rs.rows[0][1]) + lockoutAfter(failures, freeFailures_, firstLockout_).count();
  return static_cast<long>(std::max<std::int64_t>(0, until - unixNow()));
}

void SharedLoginFailures::failed(std::string_view user, std::string_view address) {
  db_.execute(
      "INSERT INTO qk_login_failure (userName, address, failures, lastFailure) "
      "VALUES (:u, :a, 1, :t) ON CONFLICT (userName, address) DO UPDATE "
      "SET failures = qk_login_failure.failures + 1, lastFailure = excluded.lastFailure",
      {{"u", std::string(user)}, {"a", addressKey(address)}, {"t", unixNow()}});
}

void SharedLoginFailures::succeeded(std::string_view user, std::string_view address) {
  db_.execute("DELETE FROM qk_login_failure WHERE userName = :u AND address = :a",
              {{"u", std::string(user)}, {"a", addressKey(address)}});
}

}  // namespace qk::server
