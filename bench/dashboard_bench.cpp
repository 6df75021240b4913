// Every figure of the factory dashboard through the server, against the same procedure run in
// this process directly on SQLite in the same run.
//   qk_dashboard_bench [document lines] [runs]   (default 1 000 000 lines, 5 runs)
// The lines are six tenths stock documents (10 000 items over a year) and the rest orders,
// production-task lines and their flow records over the year; the day is the last of the year's
// documents.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "server/core/account_store.h"
#include "server/procedures/registry.h"
#include "support/dashboard_documents.h"
#include "support/median_timing.h"
#include "support/stock_documents.h"
#include "support/test_server.h"

using namespace qk;

int main(int argc, char** argv) {
  test::pinToOneCore();

  const int lines = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  test::StockDocumentsSpec stock;
  stock.items = std::min(10000, std::max(10, lines / 100));
  stock.lines = lines * 6 / 10;
  stock.linesPerDocument = 10;
  stock.days = 365;
  test::DashboardDocumentsSpec spec;
  spec.day = test::dayAfter(stock.firstDay, stock.days - 1);
  spec.items = stock.items;
  spec.customers = 200;
  // The other four tenths: order lines (three per order), task lines and two records each.
  spec.orders = lines / 10 / 3;
  spec.taskLines = lines / 10;
  spec.recordsPerTaskLine = 2;
  spec.recordDays = stock.days;  // the shop floor reports all year, as the stores do
  const int generated = stock.lines + spec.orders * spec.linesPerOrder +
                        spec.taskLines * (1 + spec.recordsPerTaskLine);

  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/false);
  auto direct = server::AccountStore(dir.path()).open(test::kAccount);
  server::registerAllProcedures();
  const auto made = std::chrono::steady_clock::now();
  test::generateStockDocuments(*direct, stock, /*keepMoves=*/false);
  test::generateDashboardDocuments(*direct, spec);
  const double generateS =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count();

  auto served = test::startLoggedIn(dir.path());
  auto& client = served.client;

  std::size_t viaServer = 0, inProcess = 0;
  const auto [sqliteMs, serverMs] = test::medianMs(
      runs,
      [&] {
        std::vector<protocol::Value> args{spec.day};
        server::ProcedureCall call{*direct, args};
        inProcess = (*server::findProcedure("sp_dashboard"))(call)->rows.size();
      },
      [&] { viaServer = client->open("exec sp_dashboard '" + spec.day + "'").rows.size(); });
  std::printf("%d document lines (generated in %.1f s), day %s: %zu rows (%zu in process)\n",
              generated, generateS, spec.day.c_str(), viaServer, inProcess);
  std::printf("%-34s %10s %10s %7s\n", "case", "SQLite ms", "server ms", "ratio");
  std::printf("%-34s %10.1f %10.1f %6.2fx\n", "sp_dashboard, every figure", sqliteMs, serverMs,
              serverMs / sqliteMs);

  client.reset();  // an idle keep-alive connection would hold up the stop
  return viaServer > 0 && viaServer == inProcess ? 0 : 1;
}
