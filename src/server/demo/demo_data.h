// Sample data for a demonstration account set: what a small valve and fittings factory would
// keep as master data, and a few of its documents. Deterministic but for the documents' dates,
// which lie in the month the set is made and the two before, so that every list's default
// period shows some; screenshots and manual checks look the same each time.
#pragma once

#include <ctime>

#include "server/db/connection.h"

namespace qk::server {

// Adds the demo master data and documents to a freshly initialised account set. Runs inside the
// caller's transaction; throws db::DbError on failure.
void addDemoData(db::Connection& c);
// The same as made at the local time `now`.
void addDemoData(db::Connection& c, const std::tm& now);

}  // namespace qk::server
