// Logged-in sessions: a random token bound to one account set and user, with the session's own
// database connection (its temporary tables live there). Idle sessions expire; the number of
// sessions per user and in all is capped, so logging in in a loop cannot exhaust the server.
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
  // When the session's record in the database was last marked as seen (desktop sessions).
  std::chrono::steady_clock::time_point lastRecorded;
};

class SessionStore {
 public:
  SessionStore(std::chrono::seconds idleLimit, int perUser, int total)
      : idleLimit_(idleLimit), perUser_(perUser), total_(total) {}

  // The new session, or null when a limit is reached; `refusal` then says why, in the user's words.
  // It gets `token`, or a new random one when that is empty.
  std::shared_ptr<Session> create(std::string account, std::string user,
                                  std::unique_ptr<db::Connection> db, std::string& refusal,
                                  std::string token = {});
  // The live session of the token, marked as used now; null when unknown or expired.
  std::shared_ptr<Session> find(const std::string& token);
  void remove(const std::string& token);
  // Drops sessions idle longer than the limit; returns how many.
  int expireIdle();
  std::size_t size() const;

 private:
  int expireIdleLocked();
  std::size_t sessionsOf(const std::string& account, const std::string& user) const;

  std::chrono::seconds idleLimit_;
  int perUser_, total_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace qk::server
