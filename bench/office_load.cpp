#include "office_load.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <latch>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "support/test_server.h"

namespace qk::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Tally {
  std::vector<double> ms[kKinds];
  int errors[kKinds] = {};
  bool served = false;
};

// The phase's clock starts once every office has logged in, as offices start their day: a
// morning's logins all at once would otherwise fill a short phase, and hashing a password is
// deliberately expensive.
struct Start {
  std::latch loggedIn;
  std::latch go{1};
  Clock::time_point end;
};

// One office: logs in, then pages the product list and saves receipts, once in about 500
// requests logging out and in again.
void office(int port, int id, int phase, Start& start, bool ownItem, Tally& t) {
  const std::string item = ownItem ? "OFFICE" + std::to_string(1000 + id) : "PRDS000001";
  std::mt19937 rng(static_cast<unsigned>(id * 7919 + phase));
  test::ApiClient c(port);
  auto timed = [&](Kind k, auto call) {
    const auto start = Clock::now();
    const bool ok = call();
    t.ms[k].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (!ok) ++t.errors[k];
    t.served = t.served || ok;
  };
  auto login = [&] { return c.login() == "OK"; };
  timed(kLogin, login);
  start.loggedIn.count_down();
  start.go.wait();
  for (int n = 0; Clock::now() < start.end; ++n) {
    const int dice = static_cast<int>(rng() % 100);
    if (dice == 0 && rng() % 5 == 0) {
      c.post(protocol::path::kLogout, protocol::Json::object());
      timed(kLogin, login);
    } else if (dice < 65) {
      const int page = 1 + static_cast<int>(rng() % 3);
      timed(kQuery, [&] {
        auto r =
            c.post(protocol::path::kOpen,
                   test::queryPageRequest("bas_products", "productNo, productName, productSize",
                                          "productNo", "", "productNo", 20, page));
        return r.status == 200 && !protocol::errorOf(r.body) && r.body.contains("rows");
      });
    } else {
      const std::string key =
          "L" + std::to_string(phase) + "-" + std::to_string(id) + "-" + std::to_string(n);
      timed(kSave, [&] {
        auto r = c.post(protocol::path::kUpdateData, test::receiptDocument(key, 50, item));
        return r.body.value("result", "") == "OK";
      });
    }
  }
  c.post(protocol::path::kLogout, protocol::Json::object());
}

// Connections that send one byte of a request header every three seconds, reconnecting when
// the server drops them, until `stop`.
int dribble(int port, int count, const std::atomic<bool>& stop) {
  const std::string header = "POST /api/open HTTP/1.1\r\nHost: slow\r\nX-Padding: ";
  std::vector<std::unique_ptr<test::RawSocket>> sockets;
  for (int i = 0; i < count; ++i) sockets.push_back(std::make_unique<test::RawSocket>(port));
  int reconnects = 0;
  for (std::size_t byte = 0; !stop; ++byte) {
    for (auto& s : sockets) {
      if (!s->send(header.substr(byte % header.size(), 1))) {
        s = std::make_unique<test::RawSocket>(port);
        ++reconnects;
      }
    }
    for (int i = 0; i < 30 && !stop; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return reconnects;
}

}  // namespace

double PhaseResult::percentile(Kind k, double p) const {
  if (ms[k].empty()) return 0;
  return ms[k][std::min(ms[k].size() - 1, static_cast<std::size_t>(p * ms[k].size()))];
}

double PhaseResult::savesPerSecond() const {
  return seconds > 0 ? (static_cast<double>(ms[kSave].size()) - errors[kSave]) / seconds : 0;
}

PhaseResult runPhase(const std::vector<int>& ports, int phase, int clients, int seconds, int slow,
                     bool ownItems) {
  std::atomic<bool> stop{false};
  int reconnects = 0;
  std::thread slowThread;
  if (slow > 0) slowThread = std::thread([&] { reconnects = dribble(ports.front(), slow, stop); });
  std::vector<Tally> tallies(static_cast<std::size_t>(clients));
  Start start{std::latch(clients)};
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i)
    threads.emplace_back(
        [&, i] { office(ports[i % ports.size()], i, phase, start, ownItems, tallies[i]); });
  start.loggedIn.wait();
  const auto started = Clock::now();
  start.end = started + std::chrono::seconds(seconds);
  start.go.count_down();
  for (auto& t : threads) t.join();
  PhaseResult r;
  r.seconds = std::chrono::duration<double>(Clock::now() - started).count();
  stop = true;
  if (slowThread.joinable()) slowThread.join();
  r.clients = clients;
  r.slowReconnects = reconnects;
  for (const Tally& t : tallies) {
    for (int k = 0; k < kKinds; ++k) {
      r.ms[k].insert(r.ms[k].end(), t.ms[k].begin(), t.ms[k].end());
      r.errors[k] += t.errors[k];
    }
    r.served += t.served;
  }
  for (auto& v : r.ms) std::sort(v.begin(), v.end());
  return r;
}

void print(const char* title, const PhaseResult& r) {
  std::printf("%s: %d clients, %.0f s\n", title, r.clients, r.seconds);
  std::printf("  %-14s %8s %7s %9s %9s\n", "kind", "count", "errors", "p50 ms", "p99 ms");
  for (int k = 0; k < kKinds; ++k)
    std::printf("  %-14s %8zu %7d %9.2f %9.2f\n", kKindNames[k], r.ms[k].size(), r.errors[k],
                r.percentile(static_cast<Kind>(k), 0.5), r.percentile(static_cast<Kind>(k), 0.99));
  std::printf("  saves/s %.0f; clients served %d of %d%s\n", r.savesPerSecond(), r.served,
              r.clients, r.served == r.clients ? " (all)" : "");
}

}  // namespace qk::bench
