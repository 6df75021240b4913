#include "server/http/session_store.h"

#include <algorithm>

#include "server/core/password.h"

namespace qk::server {

using Clock = std::chrono::steady_clock;

std::shared_ptr<Session> SessionStore::create(std::string account, std::string user,
                                              std::unique_ptr<db::Connection> db) {
  auto s = std::make_shared<Session>();
  s->token = randomToken();
  s->account = std::move(account);
  s->user = std::move(user);
  s->db = std::move(db);
  s->lastUsed = Clock::now();
  std::lock_guard lock(mutex_);
  sessions_[s->token] = s;
  return s;
}

std::shared_ptr<Session> SessionStore::find(const std::string& token) {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(token);
  if (it == sessions_.end()) return nullptr;
  const auto now = Clock::now();
  if (now - it->second->lastUsed > idleLimit_) {
    sessions_.erase(it);
    return nullptr;
  }
  it->second->lastUsed = now;
  return it->second;
}

void SessionStore::remove(const std::string& token) {
  std::lock_guard lock(mutex_);
  sessions_.erase(token);
}

int SessionStore::expireIdle() {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  int n = 0;
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (now - it->second->lastUsed > idleLimit_) {
      it = sessions_.erase(it);
      ++n;
    } else {
      ++it;
    }
  }
  return n;
}

std::size_t SessionStore::size() const {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

long LoginThrottle::waitSeconds(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(key);
  if (it == entries_.end()) return 0;
  const auto left = it->second.lockedUntil - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return std::max<long>(1, std::chrono::ceil<std::chrono::seconds>(left).count());
}

void LoginThrottle::failed(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  // Forget old entries so the map cannot grow without bound.
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (now - it->second.lastFailure > std::chrono::hours(1) && it->second.lockedUntil < now)
      it = entries_.erase(it);
    else
      ++it;
  }
  Entry& e = entries_[key];
  e.lastFailure = now;
  if (++e.failures >= freeFailures_) {
    // Each further failure doubles the wait, up to a quarter of an hour.
    const int doublings = std::min(e.failures - freeFailures_, 5);
    const auto lock =
        std::min<std::chrono::seconds>(firstLockout_ * (1 << doublings), std::chrono::minutes(15));
    e.lockedUntil = now + lock;
  }
}

void LoginThrottle::succeeded(const std::string& key) {
  std::lock_guard lock(mutex_);
  entries_.erase(key);
}

}  // namespace qk::server
