// Logged-in sessions: a random token bound to one account set and user, with the session's own
// database connection (its temporary tables live there). Idle sessions expire.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/core/rights.h"
#include "server/db/connection.h"

namespace qk::server {

struct Session {
  std::string token, account, user;
  std::unique_ptr<db::Connection> db;
  std::unique_ptr<Rights> rights;  // what the user may write; installed on db at login
  std::mutex mutex;                // one request at a time uses the connection
  std::chrono::steady_clock::time_point lastUsed;
};

class SessionStore {
 public:
  explicit SessionStore(std::chrono::seconds idleLimit) : idleLimit_(idleLimit) {}

  std::shared_ptr<Session> create(std::string account, std::string user,
                                  std::unique_ptr<db::Connection> db);
  // The live session of the token, marked as used now; null when unknown or expired.
  std::shared_ptr<Session> find(const std::string& token);
  void remove(const std::string& token);
  // Drops sessions idle longer than the limit; returns how many.
  int expireIdle();
  std::size_t size() const;

 private:
  std::chrono::seconds idleLimit_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Session>> sessions_;
};

// Counts failed logins per user and address, and refuses further attempts for a while once
// there were too many, so that passwords cannot be guessed at network speed.
class LoginThrottle {
 public:
  LoginThrottle(int freeFailures, std::chrono::seconds firstLockout)
      : freeFailures_(freeFailures), firstLockout_(firstLockout) {}

  // Seconds the caller must still wait, 0 when an attempt is allowed now.
  long waitSeconds(const std::string& key);
  void failed(const std::string& key);
  void succeeded(const std::string& key);

 private:
  struct Entry {
    int failures = 0;
    std::chrono::steady_clock::time_point lockedUntil{};
    std::chrono::steady_clock::time_point lastFailure{};
  };
  int freeFailures_;
  std::chrono::seconds firstLockout_;
  std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

}  // namespace qk::server
