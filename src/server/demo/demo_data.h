// Sample data for a demonstration account set: what a small valve and fittings factory would
// keep as master data, and a few of its documents. Deterministic, so screenshots and manual
// checks look the same each time.
#pragma once

#include "server/db/connection.h"

namespace qk::server {

// Adds the demo master data and documents to a freshly initialised account set. Runs inside the
// caller's transaction; throws db::DbError on failure.
void addDemoData(db::Connection& c);

}  // namespace qk::server
