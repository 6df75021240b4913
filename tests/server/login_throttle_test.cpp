// The login throttle on its own, so that remote addresses can be chosen: guessing from one
// address or spread over many is slowed, the right password from a known address never is, and
// hostile names cannot make it grow.
#include <gtest/gtest.h>

#include "server/http/login_throttle.h"

namespace qk::server {
namespace {

ThrottleLimits limits() {
  ThrottleLimits l;
  l.freeFailures = 5;
  l.firstLockout = std::chrono::seconds(30);
  l.unknownAddressFailuresPerMinute = 10;
  l.maxKeys = 100;
  return l;
}

TEST(LoginThrottleTest, FiveFailuresFromOneAddressSlowThatAddressOnly) {
  LoginThrottle t(limits());
  for (int i = 0; i < 4; ++i) t.failed("账套", "admin", "10.0.0.1");
  EXPECT_EQ(t.waitSeconds("账套", "admin", "10.0.0.1"), 0);
  t.failed("账套", "admin", "10.0.0.1");
  EXPECT_EQ(t.waitSeconds("账套", "ADMIN", "10.0.0.1"), 30);
  t.failed("账套", "admin", "10.0.0.1");
  EXPECT_EQ(t.waitSeconds("账套", "admin", "10.0.0.1"), 60);
  EXPECT_EQ(t.waitSeconds("账套", "admin", "10.0.0.2"), 0);
  EXPECT_EQ(t.waitSeconds("账套", "other", "10.0.0.1"), 0);
}

TEST(LoginThrottleTest, GuessingSpreadOverManyAddressesIsSlowedForThatUser) {
  LoginThrottle t(limits());
  t.succeeded("账套", "admin", "10.0.0.1");
  for (int i = 0; i < 10; ++i) t.failed("账套", "admin", "192.168.1." + std::to_string(i));
  EXPECT_GT(t.waitSeconds("账套", "admin", "192.168.2.1"), 50);
  EXPECT_GT(t.waitSeconds("账套", "admin", "192.168.1.3"), 50);
  // The address the user logged in from before is not locked out by the strangers' guessing.
  EXPECT_EQ(t.waitSeconds("账套", "admin", "10.0.0.1"), 0);
  // Nor is another user.
  EXPECT_EQ(t.waitSeconds("账套", "clerk", "192.168.2.1"), 0);
  // A known address mistyping a few times stays under its own limit only.
  for (int i = 0; i < 4; ++i) t.failed("账套", "admin", "10.0.0.1");
  EXPECT_EQ(t.waitSeconds("账套", "admin", "10.0.0.1"), 0);
}

TEST(LoginThrottleTest, MemoryStaysBoundedUnderManyLongDistinctNames) {
  LoginThrottle t(limits());
  const std::string tail(1 << 20, 'x');
  for (int i = 0; i < 2000; ++i) {
    const std::string name = std::to_string(i) + tail;
    t.failed(name, name, "10.0.0." + std::to_string(i % 250) + tail);
  }
  EXPECT_LE(t.size(), 200u);
  // Still throttling once full.
  const std::string last = "1999" + tail;
  for (int i = 0; i < 5; ++i) t.failed(last, last, "10.0.0.249");
  EXPECT_GT(t.waitSeconds(last, last, "10.0.0.249"), 0);
}

TEST(LoginThrottleTest, NamesLongerThanTheirColumnCountAsTheirFirstCharacters) {
  LoginThrottle t(limits());
  const std::string user = "用户名称用户名称用户名称用户名称用户名称";  // 20 characters
  for (int i = 0; i < 5; ++i) t.failed("账套", user + std::to_string(i), "10.0.0.1");
  EXPECT_GT(t.waitSeconds("账套", user + "z", "10.0.0.1"), 0);
  EXPECT_EQ(t.waitSeconds("账套", user.substr(0, user.size() - 3), "10.0.0.1"), 0);
}

}  // namespace
}  // namespace qk::server
