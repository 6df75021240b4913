// Round-trip and save throughput of qk-server on loopback, each printed against a baseline
// measured in the same run: the same query run directly on SQLite in this process.
//   qk_server_bench [iterations]
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "server/core/account_store.h"
#include "support/test_server.h"

using namespace qk;
using Clock = std::chrono::steady_clock;

namespace {

double microsSince(Clock::time_point start, int n) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / n;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/true);
  server::ServerOptions options;
  options.dataDir = dir.path();
  options.log = nullptr;
  test::RunningServer running(options);
  const int port = running.port();

  const std::string sql = "select * from bas_products where productNo = :p";
  const protocol::Json params = {{"p", "PRDS000042"}};

  // Baseline: the same statement on SQLite, in process, through the same connection class.
  auto direct = server::AccountStore(dir.path()).open(test::kAccount);
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) direct->clientQuery(sql, {{"p", "PRDS000042"}});
  const double directUs = microsSince(t0, n);

  test::ApiClient keepAlive(port);
  keepAlive.login();
  keepAlive.open(sql, params);  // warm up
  t0 = Clock::now();
  for (int i = 0; i < n; ++i) keepAlive.open(sql, params);
  const double keepAliveUs = microsSince(t0, n);

  // Without keep-alive every call opens a new TCP connection.
  const int fresh = std::max(10, n / 4);
  t0 = Clock::now();
  for (int i = 0; i < fresh; ++i) {
    httplib::Client c("127.0.0.1", port);
    c.set_keep_alive(false);
    c.set_tcp_nodelay(true);
    httplib::Headers h{{"Authorization", "Bearer " + keepAlive.token}};
    c.Post(protocol::path::kOpen, h,
           protocol::Json{{"provider", "pubDSP"}, {"sql", sql}, {"params", params}}.dump(),
           "application/json");
  }
  const double freshUs = microsSince(t0, fresh);

  std::printf("one-row open, %d calls\n", n);
  std::printf("  direct SQLite            %8.1f us\n", directUs);
  std::printf("  server, keep-alive       %8.1f us   ratio %.1fx\n", keepAliveUs,
              keepAliveUs / directUs);
  std::printf("  server, new connection   %8.1f us   ratio %.1fx\n", freshUs, freshUs / directUs);

  // 50-line documents through UpdateData.
  const int docs = std::max(20, n / 20);
  auto saveRun = [&](int clients) {
    // Log in first: hashing passwords is deliberately slow and is not what is measured here.
    std::vector<std::unique_ptr<test::ApiClient>> sessions;
    for (int c = 0; c < clients; ++c) {
      sessions.push_back(std::make_unique<test::ApiClient>(port));
      sessions.back()->login();
    }
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int c = 0; c < clients; ++c) {
      threads.emplace_back([&, c] {
        for (int d = 0; d < docs / clients; ++d) {
          auto r = sessions[c]->post(
              protocol::path::kUpdateData,
              test::receiptDocument(
                  "B" + std::to_string(clients) + "-" + std::to_string(c) + "-" + std::to_string(d),
                  50));
          if (r.body.value("result", "") == "OK") ++ok;
        }
      });
    }
    for (auto& t : threads) t.join();
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    return std::pair<double, int>(ok / secs, ok.load());
  };
  // Baseline for saves: the same 50 inserts and the master in one transaction, in process.
  t0 = Clock::now();
  for (int d = 0; d < docs; ++d) {
    db::Transaction tx(*direct);
    const std::string key = "D" + std::to_string(d);
    direct->execute("insert into wh_In (keyNo, whNo) values (:k, '01')", {{"k", key}});
    for (int i = 1; i <= 50; ++i)
      direct->execute(
          "insert into wh_in_det (keyNo, itemNo, productNo, qty, uPrice) values "
          "(:k, :i, 'PRDS000001', :i, 3.5)",
          {{"k", key}, {"i", i}});
    tx.commit();
  }
  const double directSaveMs =
      std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / docs;
  auto [one, okOne] = saveRun(1);
  auto [eight, okEight] = saveRun(8);
  std::printf("50-line document save (UpdateData), %d documents per run\n", docs);
  std::printf("  direct SQLite            %8.2f ms per document\n", directSaveMs);
  std::printf(
      "  server, 1 client         %8.2f ms per document (%.0f docs/s, %d saved)  ratio %.1fx\n",
      1000.0 / one, one, okOne, (1000.0 / one) / directSaveMs);
  std::printf("  server, 8 clients        %8.0f docs/s (%d saved)\n", eight, okEight);

  return 0;
}
