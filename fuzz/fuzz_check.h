// What every fuzz target does when an input breaks a rule: say which rule and stop, so that
// libFuzzer saves the input as a reproducer (an exception escaping would do the same, unnamed).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qk::fuzz {

[[noreturn]] inline void fail(std::string_view rule, std::string_view detail = {}) {
  std::fprintf(stderr, "\n*** %.*s\n%.*s\n", static_cast<int>(rule.size()), rule.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace qk::fuzz
