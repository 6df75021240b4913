// The guard on client statements: SQLite's authorizer callback for one connection. While active
// it refuses what a client may not do (schema changes outside its temporary tables, triggers,
// views, virtual tables, ATTACH, PRAGMA beyond the table layout, functions outside the
// allow-list, the server's own tables, the engine's inner tables) and hides password hashes.
// Whether active or not, it notes which databases a statement writes. It never runs SQL itself:
// SQLite calls it in the middle of preparing a statement.
#pragma once

#include <string>
#include <string_view>

#include "server/db/connection.h"

namespace qk::db {

struct StatementGuard {
  bool active = false;                  // checking a client statement
  const WritePolicy* policy = nullptr;  // the session's rights over client writes
  std::string refusal;                  // why the statement was refused
  // What the statement writes: the session's temp schema, or anything else.
  bool writesTemp = false;
  bool writesOther = false;
  bool readsPassword = false;  // read a password column (and was given null for it)
  std::string createdTable;    // the temporary table the statement creates, if any

  // Starts judging a new statement.
  void reset(bool client, const WritePolicy* writePolicy);

  // The callback for sqlite3_set_authorizer, with this guard as its user data.
  static int authorize(void* guard, int action, const char* a1, const char* a2, const char* db,
                       const char* trigger);
};

// Functions a client statement may call: SQLite's core scalar, aggregate, window, date and math
// functions and the client dialect's own. Nothing that reveals or changes the server.
bool isAllowedFunction(std::string_view name);

}  // namespace qk::db
