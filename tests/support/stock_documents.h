// Stock documents of every kind generated straight into an account set's database in one
// transaction, before a server opens it: the ground of the stock tests and the stock benchmark.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "server/db/connection.h"

namespace qk::test {

struct StockDocumentsSpec {
  int warehouses = 2;  // numbered W01, W02, …
  int items = 40;      // numbered P000001, …; about a third of the pairs get opening stock
  int lines = 3000;    // document lines in all, spread over the five kinds
  int linesPerDocument = 5;
  std::string firstDay = "2026-01-01";
  int days = 180;
  unsigned seed = 1;
};

// One line as it moves stock: receipts positive, issues negative.
struct StockMove {
  std::string wh, product, date;
  double qty;
};

// `prefix` and n in at least `width` digits: ("P", 7, 6) is "P000007".
std::string number(const char* prefix, int n, int width);
// The day `days` after `first` (both "YYYY-MM-DD"); days may be negative.
std::string dayAfter(const std::string& first, int days);

// Stores rows given as a JSON array of arrays through `into` ("insert into t (a, b)"), each
// value taking its column's type: on SQLite in one statement that reads the JSON, on other
// engines as bound multi-row VALUES.
void insertJsonRows(db::Connection& db, const std::string& into, const nlohmann::json& rows);

// Returns every movement, the opening stock first (dated ""), when `moves` is wanted.
std::vector<StockMove> generateStockDocuments(db::Connection& db, const StockDocumentsSpec& spec,
                                              bool keepMoves = true);

}  // namespace qk::test
