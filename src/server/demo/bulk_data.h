// Large account sets for benchmarks and load checks: generated products, and warehouse receipts
// over them. Bulk rows are numbered apart from everything users and the demo create (products
// BK00000001 ..., receipts BK-RK-0000001 ...), so the numbering rules of the screens never see
// them, and the n-th bulk row is the same in every run, however the rows were added in batches.
// Never meant for a production account set: nothing here checks that the rows make business
// sense beyond what lists and queries need.
#pragma once

#include "server/db/connection.h"

namespace qk::server {

// Adds `count` products after the highest bulk product number present: valves, fittings, parts,
// bar stock and fasteners with plausible names, sizes, pressure ratings, materials, standards
// and prices; about half of them have 阀 in their name. Runs in the caller's transaction when
// one is open, otherwise in one of its own (a million products take seconds, not hours).
void addBulkProducts(db::Connection& c, int count);

// Adds `count` warehouse receipts of one to eight lines each into the account set's warehouses,
// dated over 2025 and 2026, whose lines name bulk products (or, when there are none, the first
// products of the set) with their descriptions. Transactions as above; throws db::DbError when
// the set has no product at all.
void addBulkReceipts(db::Connection& c, int count);

}  // namespace qk::server
