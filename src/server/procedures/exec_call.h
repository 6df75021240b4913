// Calls of stored procedures as clients write them ("exec sp_name 'a', 12, :p, :@n output").
// The server parses the call and runs a C++ implementation from the registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/wire.h"

namespace qk::server {

struct ExecArg {
  protocol::Value value;  // literal value, or the parameter's value when param is set
  std::string param;      // ":name" argument: the parameter name (without the colon)
  bool output = false;    // marked "output"/"out": the procedure's value goes back to param
};

struct ExecCall {
  std::string procedure;
  std::vector<ExecArg> args;
};

// Parses "exec"/"execute" calls. Returns nothing when the text is not such a call (it is then an
// ordinary statement); throws db::DbError when it is one but malformed, or names a parameter
// that has no value.
std::optional<ExecCall> parseExecCall(std::string_view sql, const protocol::Params& params);

}  // namespace qk::server
