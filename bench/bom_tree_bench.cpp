// The bill-of-materials tree of a large product through the server, against the same procedures
// run in this process directly on SQLite in the same run.
//   qk_bom_tree_bench [levels below the product] [parts per level] [runs]
//                     (default 4, 10 and 21: five levels with the product, 11 111 nodes)
// Through the server a client calls sp_createBomTree and sp_getBomTree and reads the rows from
// bomDSP over HTTP on loopback, as the BOM and task screens do.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/core/account_store.h"
#include "server/procedures/registry.h"
#include "support/median_timing.h"
#include "support/test_server.h"

using namespace qk;
using Clock = std::chrono::steady_clock;

namespace {

// Every part has `width` parts of its own down to `levels` levels, each part a product.
int addBom(db::Connection& db, const std::string& parent, int level, int levels, int width) {
  if (level > levels) return 0;
  int added = 0;
  for (int i = 1; i <= width; ++i) {
    const std::string part = parent + "-" + std::to_string(i);
    db.execute(
        "insert into bas_products (productNo, productName, productSize, productUnit) "
        "values (:p, '零件', 'DN50', '件')",
        {{"p", part}});
    db.execute(
        "insert into bom (productNo, partNo, itemNo, ylQty, mType) "
        "values (:a, :b, :i, 2, '主料')",
        {{"a", parent}, {"b", part}, {"i", i}});
    added += 1 + addBom(db, part, level + 1, levels, width);
  }
  return added;
}

std::size_t treeInProcess(db::Connection& db, const std::string& product) {
  std::vector<protocol::Value> none;
  std::vector<protocol::Value> args{product, std::int64_t{0}, std::int64_t{1}, std::int64_t{1}};
  server::ProcedureCall create{db, none};
  (*server::findProcedure("sp_createBomTree"))(create);
  server::ProcedureCall fill{db, args};
  (*server::findProcedure("sp_getBomTree"))(fill);
  server::ProcedureCall read{db, none};
  return (*server::findProcedure("sp_bomTreeRows"))(read)->rows.size();
}

}  // namespace

int main(int argc, char** argv) {
  test::pinToOneCore();

  const int levels = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 8) : 4;
  const int width = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 20) : 10;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 21;
  test::TempDir dir;
  test::installTestAccount(dir.path(), /*demo=*/false);
  auto direct = server::AccountStore(dir.path()).open(test::kAccount);
  server::registerAllProcedures();
  const std::string product = "BENCH";
  int lines = 0;
  {
    db::Transaction tx(*direct);
    direct->execute("insert into bas_products (productNo, productName) values ('BENCH', '整机')");
    lines = addBom(*direct, product, 1, levels, width);
    tx.commit();
  }

  auto served = test::startLoggedIn(dir.path());
  auto& client = served.client;

  std::size_t viaServer = 0, inProcess = 0;
  const auto [sqliteMs, serverMs] = test::medianMs(
      runs, [&] { inProcess = treeInProcess(*direct, product); },
      [&] {
        client->execute("exec sp_createBomTree ");
        client->execute("exec sp_getBomTree '" + product + "',0,1,1");
        viaServer = client->open("", test::Json::object(), "bomDSP").rows.size();
      });
  std::printf("BOM of %d levels, %d parts a level: %d lines, %zu tree rows (%zu in process)\n",
              levels, width, lines, viaServer, inProcess);
  std::printf("%-34s %10s %10s %7s\n", "case", "SQLite ms", "server ms", "ratio");
  std::printf("%-34s %10.1f %10.1f %6.2fx\n", "tree computed and fetched", sqliteMs, serverMs,
              serverMs / sqliteMs);

  client.reset();  // an idle keep-alive connection would hold up the stop
  return viaServer == static_cast<std::size_t>(lines) + 1 && viaServer == inProcess ? 0 : 1;
}
