// What one logged-in user may write: the actions he holds, checked against the rights map for his
// client statements (installed as the connection's write policy) and for his change logs. It
// never limits reading, and never runs SQL while the connection asks it about a statement.
// Requests of one session use it one at a time, as they use the session's connection.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/wire.h"
#include "server/db/connection.h"

namespace qk::server {

// A user name as the database compares it: trailing blanks do not count.
inline std::string rtrimmed(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

class Rights {
 public:
  // Loads the user's rights and installs them on the session's connection.
  Rights(db::Connection& db, std::string user);
  ~Rights();
  Rights(const Rights&) = delete;
  Rights& operator=(const Rights&) = delete;

  const std::string& user() const;
  bool holds(std::string_view action) const;

  // Called before every request: reloads the rights when the database changed since (another
  // connection committed, or this one wrote), so a right given or taken counts at once.
  void refresh(db::Connection& db);

  // Throws a refusal (db::ErrorKind::Refused) when a change log's row may not be written.
  void checkChange(std::string_view table, const protocol::Change& change) const;

  // Runs a client statement (or procedure call). A statement writing a table whose rows are
  // checked after the write (own log rows, the last user administrator) runs again inside a
  // transaction with those checks, and is not kept prepared for a run without them.
  template <typename Fn>
  auto runClient(db::Connection& db, Fn&& fn) {
    std::optional<decltype(fn())> result;
    runChecked(db, [&] { result.emplace(fn()); });
    return std::move(*result);
  }

 private:
  struct State;
  class CheckedRun;
  void beginClient();
  void runChecked(db::Connection& db, const std::function<void()>& run);
  void install(db::Connection& db);

  std::shared_ptr<State> state_;
  // What the database looked like when the rights were loaded: on SQLite PRAGMA data_version
  // and the connection's own total_changes(), on PostgreSQL the count of qk_rights_version.
  std::int64_t dataVersion_ = -1, ownChanges_ = -1;
};

// Refuses (db::ErrorKind::Refused) when nobody is left holding both user-administration rights.
// Runs inside the transaction of the write that might have removed the last one.
void checkUserAdmins(db::Connection& db);

}  // namespace qk::server
