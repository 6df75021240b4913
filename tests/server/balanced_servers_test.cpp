// Two application server processes behind HAProxy on loopback, over one set of account sets:
// clients log in and save through the one address, one server is killed, and they carry on
// through the other without losing anything the servers acknowledged.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "server/core/account_store.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;

constexpr const char* kHaproxy = "/usr/sbin/haproxy";

// The configuration docs/SCALING.md describes, on loopback ports.
std::string haproxyConfig(int front, int a, int b) {
  return R"(global
  maxconn 2000
defaults
  mode http
  timeout connect 1s
  timeout client 60s
  timeout server 60s
  retries 3
  option redispatch 1
  retry-on conn-failure
frontend qk
  bind 127.0.0.1:)" +
         std::to_string(front) + R"(
  default_backend qk_servers
backend qk_servers
  balance hdr(Authorization)
  hash-type consistent
  option httpchk GET /api/health
  server a 127.0.0.1:)" +
         std::to_string(a) + R"( check inter 200ms fall 2 rise 2
  server b 127.0.0.1:)" +
         std::to_string(b) + R"( check inter 200ms fall 2 rise 2
)";
}

std::unique_ptr<ChildProcess> startServer(const TempDir& dir, int port) {
  return std::make_unique<ChildProcess>(
      QK_SERVER_BIN,
      std::vector<std::string>{"serve", "--data", dir.path().string(), "--listen",
                               "127.0.0.1:" + std::to_string(port), "--log", "/dev/null"});
}

TEST(BalancedServers, ClientsCarryOnThroughTheOtherServerWhenOneIsKilled) {
  if (!std::filesystem::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed";
  TempDir dir;
  installTestAccount(dir.path());
  const int portA = freePort(), portB = freePort(), front = freePort();
  auto serverA = startServer(dir, portA);
  auto serverB = startServer(dir, portB);
  ASSERT_TRUE(waitForHealth(portA) && waitForHealth(portB)) << "qk-server did not start";
  const auto config = dir.path() / "haproxy.cfg";
  std::ofstream(config) << haproxyConfig(front, portA, portB);
  ChildProcess haproxy(kHaproxy, {"-f", config.string(), "-db", "-q"});
  ASSERT_TRUE(waitForHealth(front)) << "haproxy did not start";

  constexpr int kClients = 6, kLines = 10;
  std::mutex mutex;
  std::set<std::string> acknowledged;
  std::atomic<int> count{0}, relogins{0}, failures{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> clients;
  for (int w = 0; w < kClients; ++w) {
    clients.emplace_back([&, w] {
      ApiClient c(front);
      if (c.login() != "OK") return;
      for (int d = 0; !stop; ++d) {
        const std::string key = "B" + std::to_string(w) + "-" + std::to_string(d);
        const auto r = c.post(path::kUpdateData, receiptDocument(key, kLines));
        if (r.body.value("result", "") == "OK") {
          std::lock_guard lock(mutex);
          acknowledged.insert(key);
          ++count;
          continue;
        }
        // A request cut off by the kill is not acknowledged: the client goes on with the next
        // document, as a user would after the error; a lost session would need a new login.
        ++failures;
        if (r.status == 401 && c.login() == "OK") ++relogins;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  auto waitFor = [&](int n) {
    for (int i = 0; i < 3000 && count < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return count >= n;
  };
  ASSERT_TRUE(waitFor(60)) << "saves through the balancer did not get going";
  serverA->kill();
  const int atKill = count;
  ASSERT_TRUE(waitFor(atKill + 120)) << "the clients did not carry on through the other server";
  stop = true;
  for (auto& t : clients) t.join();

  RecordProperty("failedRequests", failures.load());
  EXPECT_EQ(relogins, 0) << "sessions moved to the other server without a new login";
  EXPECT_LT(failures, 3 * kClients) << "only requests cut off by the kill may fail";
  serverB->kill();
  auto db = server::AccountStore(dir.path()).open(kAccount);
  const auto masters = db->query(
      "select keyNo, (select count(*) from wh_in_det d where d.keyNo = m.keyNo) from wh_In m");
  std::set<std::string> stored;
  for (const auto& row : masters.rows) {
    stored.insert(std::get<std::string>(row[0]));
    EXPECT_EQ(std::get<std::int64_t>(row[1]), kLines) << "half-written document";
  }
  for (const auto& key : acknowledged) EXPECT_TRUE(stored.count(key)) << key << " was lost";
}

}  // namespace
}  // namespace qk::test
