// Many offices at once: N clients log in, page a stored query and save 50-line receipts for a
// while, first on their own (the baseline), then with M slow connections dribbling header bytes
// meanwhile. Prints per kind the count, errors, p50 and p99, the saves per second and whether
// every client was served. Exits 1 when a request failed or a client was never served.
//   qk_load_bench [--clients N] [--seconds S] [--slow M]     (defaults 50, 300, 40)
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "office_load.h"
#include "support/test_server.h"

using namespace qk;

namespace {

using namespace qk::bench;

int option(int argc, char** argv, const char* name, int dflt) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::max(1, std::atoi(argv[i + 1]));
  return dflt;
}

}  // namespace

int main(int argc, char** argv) {
  const int clients = option(argc, argv, "--clients", 50);
  const int seconds = option(argc, argv, "--seconds", 300);
  const int slow = option(argc, argv, "--slow", 40);

  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/true);
  server::ServerOptions options;
  options.dataDir = dir.path();
  options.log = nullptr;
  options.sessionsPerUser = clients + 10;  // every office logs in as the administrator
  test::RunningServer running(options);

  const PhaseResult baseline = runPhase({running.port()}, 1, clients, seconds, 0);
  print("baseline, no slow connections", baseline);
  const PhaseResult loaded = runPhase({running.port()}, 2, clients, seconds, slow);
  char title[96];
  std::snprintf(title, sizeof title, "with %d slow connections (%d dropped and reopened)", slow,
                loaded.slowReconnects);
  print(title, loaded);
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  std::printf("ratios to the baseline: p99 query %.2fx, p99 save %.2fx, saves/s %.2fx\n",
              ratio(loaded.percentile(kQuery, 0.99), baseline.percentile(kQuery, 0.99)),
              ratio(loaded.percentile(kSave, 0.99), baseline.percentile(kSave, 0.99)),
              ratio(loaded.savesPerSecond(), baseline.savesPerSecond()));
  const bool ok = baseline.totalErrors() == 0 && loaded.totalErrors() == 0 &&
                  baseline.served == clients && loaded.served == clients;
  std::printf("%s\n", ok ? "every client served, no errors" : "FAILED: errors or unserved clients");
  return ok ? 0 : 1;
}
