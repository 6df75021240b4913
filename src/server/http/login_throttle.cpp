#include "server/http/login_throttle.h"

#include <algorithm>

#include "protocol/value.h"
#include "server/core/session_records.h"

namespace qk::server {

namespace {

constexpr auto kWindow = std::chrono::minutes(1);

// The first `chars` UTF-8 characters of s.
std::string_view firstChars(std::string_view s, std::size_t chars) {
  std::size_t i = 0;
  for (std::size_t n = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n++ == chars) break;
  }
  return s.substr(0, i);
}

}  // namespace

std::string LoginThrottle::userKey(std::string_view account, std::string_view user) {
  return protocol::toLower(account.substr(0, kAccountNameBytes)) + '\x1f' +
         protocol::toLower(firstChars(user, kUserNameChars));
}

std::string LoginThrottle::addressKey(const std::string& user, std::string_view address) {
  return user + '\x1f' + std::string(address.substr(0, 64));
}

// Drops what `stale` says is stale; when nothing was, the entry seen longest ago.
template <typename Map, typename Stale>
void LoginThrottle::makeRoom(Map& map, Stale stale) {
  if (map.size() < limits_.maxKeys) return;
  std::erase_if(map, [&](const auto& entry) { return stale(entry.second); });
  if (map.size() < limits_.maxKeys) return;
  auto lastSeen = [](const auto& v) {
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Clock::time_point>)
      return v;
    else
      return v.lastSeen;
  };
  map.erase(std::min_element(map.begin(), map.end(), [&](const auto& a, const auto& b) {
    return lastSeen(a.second) < lastSeen(b.second);
  }));
}

long LoginThrottle::userWait(const std::string& user, Clock::time_point now) {
  auto it = recent_.find(user);
  if (it == recent_.end()) return 0;
  auto& times = it->second.times;
  while (!times.empty() && now - times.front() >= kWindow) times.pop_front();
  if (times.size() < static_cast<std::size_t>(limits_.unknownAddressFailuresPerMinute)) return 0;
  return std::max<long>(
      1, std::chrono::ceil<std::chrono::seconds>(times.front() + kWindow - now).count());
}

long LoginThrottle::waitSeconds(std::string_view account, std::string_view user,
                                std::string_view address) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  const std::string u = userKey(account, user), a = addressKey(u, address);
  long wait = 0;
  if (auto it = lockouts_.find(a); it != lockouts_.end() && it->second.lockedUntil > now)
    wait = std::max<long>(
        1, std::chrono::ceil<std::chrono::seconds>(it->second.lockedUntil - now).count());
  if (!known_.contains(a)) wait = std::max(wait, userWait(u, now));
  return wait;
}

void LoginThrottle::failed(std::string_view account, std::string_view user,
                           std::string_view address) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  const std::string u = userKey(account, user), a = addressKey(u, address);
  if (!lockouts_.contains(a))
    makeRoom(lockouts_, [&](const Lockout& e) {
      return e.lockedUntil < now && now - e.lastSeen > std::chrono::hours(1);
    });
  Lockout& e = lockouts_[a];
  e.lastSeen = now;
  if (++e.failures >= limits_.freeFailures)
    e.lockedUntil = now + lockoutAfter(e.failures, limits_.freeFailures, limits_.firstLockout);
  if (known_.contains(a)) return;
  if (!recent_.contains(u))
    makeRoom(recent_, [&](const Recent& r) { return now - r.lastSeen >= kWindow; });
  Recent& r = recent_[u];
  r.lastSeen = now;
  r.times.push_back(now);
  // Only the newest failures within the window decide the wait.
  while (r.times.size() > static_cast<std::size_t>(limits_.unknownAddressFailuresPerMinute))
    r.times.pop_front();
}

void LoginThrottle::succeeded(std::string_view account, std::string_view user,
                              std::string_view address) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  const std::string u = userKey(account, user), a = addressKey(u, address);
  lockouts_.erase(a);
  if (!known_.contains(a))
    makeRoom(known_, [&](Clock::time_point t) { return now - t > std::chrono::days(90); });
  known_[a] = now;
}

std::size_t LoginThrottle::size() const {
  std::lock_guard lock(mutex_);
  return lockouts_.size() + recent_.size() + known_.size();
}

}  // namespace qk::server
