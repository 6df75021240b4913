// The stock figures of one month through the server, against the same procedure run in this
// process directly on SQLite in the same run.
//   qk_stock_history_bench [items] [document lines] [runs]
//                          (default 10 000 items, 1 000 000 lines over a year, 5 runs)
// Through the server a client opens "exec sp_stock_history …" on selectDSP over HTTP on
// loopback, as the stock screen does; the month is the middle of the year's documents.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "server/core/account_store.h"
#include "server/procedures/registry.h"
#include "support/median_timing.h"
#include "support/stock_documents.h"
#include "support/test_server.h"

using namespace qk;

int main(int argc, char** argv) {
  test::pinToOneCore();

  test::StockDocumentsSpec spec;
  spec.items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  spec.lines = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000000;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  spec.linesPerDocument = 10;
  spec.days = 365;
  const std::string from = "2026-07-01", to = "2026-07-31 23:59:59", warehouses = "W01W02";

  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/false);
  auto direct = server::AccountStore(dir.path()).open(test::kAccount);
  server::registerAllProcedures();
  const auto made = std::chrono::steady_clock::now();
  test::generateStockDocuments(*direct, spec, /*keepMoves=*/false);
  const double generateS =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count();

  auto served = test::startLoggedIn(dir.path());
  auto& client = served.client;

  // The processor time of the in-process runs as well: on a shared machine the wall clock also
  // counts the time others had the core.
  auto cpuMs = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
  };
  std::vector<double> cpu;
  std::size_t viaServer = 0, inProcess = 0;
  const auto [sqliteMs, serverMs] = test::medianMs(
      runs,
      [&] {
        const double start = cpuMs();
        std::vector<protocol::Value> args{from, to, warehouses};
        server::ProcedureCall call{*direct, args};
        inProcess = (*server::findProcedure("sp_stock_history"))(call)->rows.size();
        cpu.push_back(cpuMs() - start);
      },
      [&] {
        viaServer =
            client
                ->open("exec sp_stock_history '" + from + "', '" + to + "', '" + warehouses + "'",
                       test::Json::object(), "selectDSP")
                .rows.size();
      });
  std::printf(
      "%d items, %d document lines (generated in %.1f s); %s to %s: %zu rows (%zu in "
      "process)\n",
      spec.items, spec.lines, generateS, from.c_str(), to.c_str(), viaServer, inProcess);
  std::printf("%-34s %10s %10s %7s\n", "case", "SQLite ms", "server ms", "ratio");
  std::printf("%-34s %10.1f %10.1f %6.2fx\n", "sp_stock_history, one month", sqliteMs, serverMs,
              serverMs / sqliteMs);
  std::sort(cpu.begin(), cpu.end());
  double load[3] = {};
  getloadavg(load, 3);
  std::printf("in process: %.1f ms of processor time (median); load average %.2f\n",
              cpu[cpu.size() / 2], load[0]);

  client.reset();  // an idle keep-alive connection would hold up the stop
  return viaServer > 0 && viaServer == inProcess ? 0 : 1;
}
