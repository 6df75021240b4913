// Slows password guessing. Failures of one user from one address lock that address out for a
// growing while; failures of one user from addresses it never logged in from are limited per
// minute across all of them, so guessing spread over many addresses stays slow, while an address
// the user logged in from before keeps only its own limit. Memory is bounded: keys are cut to the
// column sizes and at most a fixed number of them is remembered, stale and oldest dropped first.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace qk::server {

// Longest account name in bytes (the account store refuses longer) and user name in characters
// (sys_user.userName); longer names can never match, so nothing longer needs remembering.
inline constexpr std::size_t kAccountNameBytes = 100;
inline constexpr std::size_t kUserNameChars = 20;

struct ThrottleLimits {
  int freeFailures = 5;                   // failures of a user from one address before a lockout
  std::chrono::seconds firstLockout{30};  // doubled for every further failure
  int unknownAddressFailuresPerMinute = 10;
  std::size_t maxKeys = 10000;  // in each of the throttle's tables
};

class LoginThrottle {
 public:
  explicit LoginThrottle(ThrottleLimits limits) : limits_(limits) {}

  // Seconds the caller must still wait, 0 when an attempt is allowed now.
  long waitSeconds(std::string_view account, std::string_view user, std::string_view address);
  void failed(std::string_view account, std::string_view user, std::string_view address);
  void succeeded(std::string_view account, std::string_view user, std::string_view address);
  // Keys remembered in all tables.
  std::size_t size() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Lockout {
    int failures = 0;
    Clock::time_point lockedUntil{}, lastSeen{};
  };
  struct Recent {  // failures from unknown addresses within the last minute, oldest first
    std::deque<Clock::time_point> times;
    Clock::time_point lastSeen{};
  };
  static std::string userKey(std::string_view account, std::string_view user);
  static std::string addressKey(const std::string& user, std::string_view address);
  long userWait(const std::string& user, Clock::time_point now);
  template <typename Map, typename Stale>
  void makeRoom(Map& map, Stale stale);

  ThrottleLimits limits_;
  mutable std::mutex mutex_;
  std::map<std::string, Lockout> lockouts_;         // user and address
  std::map<std::string, Recent> recent_;            // user
  std::map<std::string, Clock::time_point> known_;  // user and address of a past success
};

}  // namespace qk::server
