// Sessions and failed logins as rows of the account set's database, shared by every application
// server in front of it. A server keeps its live sessions in memory (each with its own
// connection); these rows let another server take a session over when the client's requests
// reach it, and let all servers count a user's failed logins together.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/db/connection.h"

namespace qk::server {

// A desktop session's token names its account set, so that any server can tell which database
// holds its record: the account's name in hex, a dot, then 64 random hex digits.
std::string newSessionToken(std::string_view account);
// The account set a token names; nothing when the token does not have the form above.
std::optional<std::string> tokenAccount(std::string_view token);

// How long a user is locked out after `failures` failed logins in a row: nothing for the first
// free ones, then the first lockout, doubled for each further failure up to a quarter of an hour.
inline std::chrono::seconds lockoutAfter(int failures, int freeFailures,
                                         std::chrono::seconds firstLockout) {
  if (failures < freeFailures) return std::chrono::seconds(0);
  const int doublings = std::min(failures - freeFailures, 5);
  return std::min<std::chrono::seconds>(firstLockout * (1 << doublings), std::chrono::minutes(15));
}

// Seconds since 1970, the time the records keep (comparable across servers).
std::int64_t unixNow();

class SessionRecords {
 public:
  SessionRecords(db::Connection& db, std::chrono::seconds idleLimit)
      : db_(db), idleLimit_(idleLimit) {}

  void record(std::string_view token, std::string_view user, std::string_view address);
  // The user of the token's session, when it is recorded and was seen within the idle limit;
  // marks it seen now.
  std::optional<std::string> take(std::string_view token);
  // Marks the session seen now; false when its record is gone (logged out or expired
  // elsewhere), so the caller ends its own copy too.
  bool touch(std::string_view token);
  void forget(std::string_view token);
  // Drops the records idle longer than the limit.
  void forgetIdle();

 private:
  db::Connection& db_;
  std::chrono::seconds idleLimit_;
};

// A user's failed logins from one address, counted in the database across servers. The wait
// follows the same rule as the server's own throttle: free failures, then a lockout doubled for
// every further failure.
class SharedLoginFailures {
 public:
  SharedLoginFailures(db::Connection& db, int freeFailures, std::chrono::seconds firstLockout)
      : db_(db), freeFailures_(freeFailures), firstLockout_(firstLockout) {}

  long waitSeconds(std::string_view user, std::string_view address);
  void failed(std::string_view user, std::string_view address);
  void succeeded(std::string_view user, std::string_view address);

 private:
  db::Connection& db_;
  int freeFailures_;
  std::chrono::seconds firstLockout_;
};

}  // namespace qk::server
