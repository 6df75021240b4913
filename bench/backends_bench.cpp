// The two database backends side by side: the same account set (demo data and bulk products)
// on SQLite and on PostgreSQL, each behind its own application server in this process.
//   qk_backends_bench [products] [runs] [seconds]     (defaults 20000, 200, 20)
// Prints the median of a paged query and of a 50-line save on each (taken in turns, so a slow
// moment of the machine falls on both alike) with PostgreSQL's ratio to SQLite; then 8 and 32
// offices saving at once against one server of each, and 32 against two servers on the one
// database of each backend; then the same with each office receiving an item of its own.
// PostgreSQL comes from QK_TEST_PG (a superuser URL to database
// postgres, as scripts/pg-cluster.sh gives); without it only SQLite is measured.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "office_load.h"
#include "server/core/account_store.h"
#include "server/db/pg_connection.h"
#include "server/demo/bulk_data.h"
#include "support/median_timing.h"
#include "support/test_server.h"

using namespace qk;

namespace {

// A database of its own on the cluster for the run, dropped at the end.
class BenchDatabase {
 public:
  explicit BenchDatabase(const std::string& adminUrl) : adminUrl_(adminUrl) {
    name_ = "qk_bench_" + std::to_string(std::random_device{}());
    admin()->script("create database " + name_ +
                    " template template0 encoding 'UTF8' lc_collate 'C' lc_ctype 'C'");
  }
  ~BenchDatabase() {
    try {
      admin()->script("drop database if exists " + name_ + " with (force)");
      admin()->script("drop role if exists qk_client_" + name_);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "cannot drop %s: %s\n", name_.c_str(), e.what());
    }
  }
  std::string url() const { return test::postgresUrlOf(adminUrl_, name_); }

 private:
  std::unique_ptr<db::Connection> admin() const {
    return db::openPostgres(adminUrl_, server::schemaModel());
  }
  std::string adminUrl_, name_;
};

struct Backend {
  test::TempDir dir;
  std::unique_ptr<test::RunningServer> first, second;
  std::unique_ptr<test::ApiClient> client;
};

void serve(Backend& b, int sessions, int products) {
  {
    auto direct = server::AccountStore(b.dir.path()).open(test::kAccount);
    server::addBulkProducts(*direct, products);
  }
  server::ServerOptions options;
  options.dataDir = b.dir.path();
  options.log = nullptr;
  options.sessionsPerUser = sessions;
  b.first = std::make_unique<test::RunningServer>(options);
  b.second = std::make_unique<test::RunningServer>(options);
  b.client = std::make_unique<test::ApiClient>(b.first->port());
  b.client->login();
}

// PostgreSQL's figure is left out (negative) when it was not measured.
void row(const char* what, double sqlite, double postgres, const char* unit) {
  if (postgres >= 0)
    std::printf("  %-34s %10.2f %10.2f %s   %.2fx\n", what, sqlite, postgres, unit,
                sqlite > 0 ? postgres / sqlite : 0.0);
  else
    std::printf("  %-34s %10.2f %10s %s\n", what, sqlite, "-", unit);
}

}  // namespace

int main(int argc, char** argv) {
  const int products = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
  const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 200;
  const int seconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
  constexpr int kSessions = 80;

  Backend sqlite;
  test::installTestAccount(sqlite.dir.path(), /*demo=*/true);
  serve(sqlite, kSessions, products);

  const char* pgUrl = std::getenv("QK_TEST_PG");
  std::unique_ptr<BenchDatabase> database;
  Backend postgres;
  if (pgUrl && *pgUrl) {
    database = std::make_unique<BenchDatabase>(pgUrl);
    server::AccountStore(postgres.dir.path())
        .createPostgres(test::kAccount, database->url(), test::kAdminPassword, /*demo=*/true);
    serve(postgres, kSessions, products);
  } else {
    std::printf("QK_TEST_PG is not set: PostgreSQL is not measured\n");
  }
  const bool both = postgres.client != nullptr;

  int saved = 0;
  auto pagedQuery = [&](test::ApiClient& c) {
    return [&c, products, page = 0]() mutable {
      page = page % std::max(1, products / 100) + 1;
      auto r = c.post(
          protocol::path::kOpen,
          test::queryPageRequest("bas_products", "productNo, productName, productSize", "productNo",
                                 "productName like '%5%'", "productNo", 100, page));
      if (r.status != 200 || protocol::errorOf(r.body)) throw std::runtime_error(r.body.dump());
    };
  };
  auto save = [&](test::ApiClient& c) {
    return [&c, &saved] {
      auto r = c.post(protocol::path::kUpdateData,
                      test::receiptDocument("BB" + std::to_string(++saved), 50));
      if (r.body.value("result", "") != "OK") throw std::runtime_error(r.body.dump());
    };
  };

  std::printf("%d products; medians of %d requests each, taken in turns\n", products, runs);
  std::printf("  %-34s %10s %10s\n", "", "SQLite", "PostgreSQL");
  if (both) {
    auto [qs, qp] = test::medianMs(runs, pagedQuery(*sqlite.client), pagedQuery(*postgres.client));
    row("paged query (100 rows, like)", qs, qp, "ms");
    auto [ss, sp] = test::medianMs(runs / 4, save(*sqlite.client), save(*postgres.client));
    row("50-line receipt save", ss, sp, "ms");
  } else {
    auto [qs, unused] = test::medianMs(runs, pagedQuery(*sqlite.client), [] {});
    row("paged query (100 rows, like)", qs, -1, "ms");
    auto [ss, unused2] = test::medianMs(runs / 4, save(*sqlite.client), [] {});
    row("50-line receipt save", ss, -1, "ms");
  }

  // Offices at once: saves per second and the p99 of a save.
  int phase = 1;
  bool failed = false;
  auto load = [&](Backend& b, int clients, bool twoServers, bool ownItems) {
    std::vector<int> ports{b.first->port()};
    if (twoServers) ports.push_back(b.second->port());
    const bench::PhaseResult r = bench::runPhase(ports, phase++, clients, seconds, 0, ownItems);
    failed = failed || r.totalErrors() > 0 || r.served != clients;
    return r;
  };
  // Every receipt moves one item, as the other load benchmarks do; then each office its own, so
  // saves do not wait for each other's stock rows (PostgreSQL locks rows; SQLite writes one at a
  // time either way).
  struct Case {
    const char* what;
    int clients;
    bool twoServers;
    bool ownItems;
  };
  for (const Case& c : {Case{"8 offices, one server", 8, false, false},
                        Case{"32 offices, one server", 32, false, false},
                        Case{"32 offices, two servers", 32, true, false},
                        Case{"8 offices, one server, an item each", 8, false, true},
                        Case{"32 offices, two servers, an item each", 32, true, true}}) {
    const bench::PhaseResult s = load(sqlite, c.clients, c.twoServers, c.ownItems);
    bench::PhaseResult p;
    if (both) p = load(postgres, c.clients, c.twoServers, c.ownItems);
    std::printf("%s (%d s each)\n", c.what, seconds);
    row("saves per second", s.savesPerSecond(), both ? p.savesPerSecond() : -1, "/s");
    row("p99 of a save", s.percentile(bench::kSave, 0.99),
        both ? p.percentile(bench::kSave, 0.99) : -1, "ms");
    row("p99 of a paged query", s.percentile(bench::kQuery, 0.99),
        both ? p.percentile(bench::kQuery, 0.99) : -1, "ms");
  }
  sqlite.client.reset();
  postgres.client.reset();
  std::printf("%s\n", failed ? "FAILED: errors or unserved clients" : "no errors");
  return failed ? 1 : 0;
}
