// Procedure calls as clients write them ("exec sp_name 'a', 12, :p, :@n output"). Any text is
// either not a call, refused with a DbError, or a call whose arguments keep the parser's rules.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "server/db/connection.h"
#include "server/procedures/exec_call.h"

namespace {

using qk::fuzz::fail;

// The parameters a paged query and an ordinary call send with their text.
const qk::protocol::Params kParams{{"p1", std::string("A")},
                                   {"p2", std::int64_t{2}},
                                   {"@TotalCount", std::int64_t{0}},
                                   {"@TotalPageCount", std::int64_t{0}},
                                   {"empty", std::monostate{}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  try {
    const auto call = qk::server::parseExecCall(sql, kParams);
    if (!call) return 0;
    if (call->procedure.empty()) fail("a call without a procedure name was accepted", sql);
    for (const auto& arg : call->args) {
      // An argument that reads a parameter must have been given one; an unset one is output.
      if (!arg.param.empty() && !arg.output && !kParams.contains(arg.param))
        fail("an argument names a parameter that has no value", sql);
      if (arg.param.empty() && arg.output) fail("a literal was marked output", sql);
    }
  } catch (const qk::db::DbError&) {
    return 0;  // refused with a text for the user
  } catch (const std::exception& e) {
    fail("the exec parser threw something other than DbError", std::string(e.what()) + "\n" + sql);
  }
  return 0;
}
