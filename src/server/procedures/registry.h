// The stored procedures of the database, written in C++ over the portable Connection interface.
// Each business area registers its procedures; an unknown name is a clear error.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/db/connection.h"

namespace qk::server {

struct ProcedureCall {
  db::Connection& db;
  // Arguments in call order; an output argument's slot receives the procedure's value.
  std::vector<protocol::Value>& args;
  // The logged-in user who called, without trailing blanks.
  std::string_view user{};

  const protocol::Value& arg(std::size_t i) const;  // throws when the caller passed too few
  std::string text(std::size_t i) const;            // the argument as text ("" for null)
  std::int64_t integer(std::size_t i) const;        // throws with a clear text when not a number
  // The argument for a numeric column: null when null or blank (a blank cell of the screen),
  // a number otherwise; throws with a clear text when it is neither.
  protocol::Value number(std::size_t i) const;
};

// Text folded as the NOCASE columns compare (ASCII letters only), for matching numbers in C++.
std::string foldCase(std::string s);
// A cell's text; "" for null or a value of another kind.
std::string textOf(const protocol::Value& v);

// Stores rows through `into` ("INSERT INTO t" or "INSERT INTO t (a, b)") with multi-row VALUES of
// bound parameters: a few statements for many rows, in the same text on every engine, each value
// taking its column's type.
void insertRows(db::Connection& db, std::string_view into, const std::vector<protocol::Row>& rows);

// A procedure returns the rows of its result, if it has one.
using Procedure = std::function<std::optional<protocol::RecordSet>(ProcedureCall&)>;

void registerProcedure(std::string name, Procedure proc);
const Procedure* findProcedure(std::string_view name);
// The names of the registered procedures, as registered.
std::vector<std::string> registeredProcedures();

// Registers every procedure of the server; called once at start.
void registerAllProcedures();

}  // namespace qk::server
