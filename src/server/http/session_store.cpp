#include "server/http/session_store.h"

#include <algorithm>

#include "protocol/value.h"
#include "server/core/password.h"

namespace qk::server {

using Clock = std::chrono::steady_clock;

std::size_t SessionStore::sessionsOf(const std::string& account, const std::string& user) const {
  const std::string a = protocol::toLower(account), u = protocol::toLower(user);
  return std::count_if(sessions_.begin(), sessions_.end(), [&](const auto& entry) {
    return protocol::toLower(entry.second->account) == a &&
           protocol::toLower(entry.second->user) == u;
  });
}

std::shared_ptr<Session> SessionStore::create(std::string account, std::string user,
                                              std::unique_ptr<db::Connection> db,
                                              std::string& refusal, std::string token) {
  auto s = std::make_shared<Session>();
  s->token = token.empty() ? randomToken() : std::move(token);
  s->account = std::move(account);
  s->user = std::move(user);
  s->db = std::move(db);
  s->lastUsed = s->lastRecorded = Clock::now();
  std::lock_guard lock(mutex_);
  auto full = [&] { return sessions_.size() >= static_cast<std::size_t>(total_); };
  auto userFull = [&] {
    return sessionsOf(s->account, s->user) >= static_cast<std::size_t>(perUser_);
  };
  // Sessions that idled out still count until swept; sweep before refusing anyone.
  if (full() || userFull()) expireIdleLocked();
  if (full()) {
    refusal = "服务器的登录数已达上限（" + std::to_string(total_) + " 个），请稍后再试";
    return nullptr;
  }
  if (userFull()) {
    refusal = "用户“" + s->user + "”同时登录的数目已达上限（" + std::to_string(perUser_) +
              " 个），请先退出其他登录";
    return nullptr;
  }
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
  return expireIdleLocked();
}

int SessionStore::expireIdleLocked() {
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

}  // namespace qk::server
