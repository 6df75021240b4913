// Tables and columns as users know them, for the texts of refusals: a column's caption in the
// grid layout named after its table (sys_col), else the server's caption table (qk_caption),
// else the raw name. Looked up only when a text needs them, never on the way of a good save.
#pragma once

#include <string>
#include <string_view>

#include "server/db/connection.h"

namespace qk::server {

class Captions {
 public:
  explicit Captions(db::Connection& db) : db_(db) {}

  std::string table(std::string_view table) const;
  // The last level of a layout's multi-level title ("物料描述|物料编号" → "物料编号").
  std::string column(std::string_view table, std::string_view column) const;

 private:
  std::string first(std::string_view sql, std::string_view table, std::string_view column) const;

  db::Connection& db_;
};

// The failure in the user's words: a duplicate, a missing value or another rule of a table, named
// by captions and, where known, the values that were written. Other failures come back as they
// are. The kind, table and columns stay, so callers still decide on them.
db::DbError inUsersWords(db::Connection& db, const db::DbError& e,
                         const protocol::NamedValues& values = {});

}  // namespace qk::server
