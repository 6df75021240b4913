// Values that travel between client and server: the cells of record sets, the parameters of
// statements and the fields of change sets. One definition serves both programs so that the
// wire format cannot drift between them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qk::protocol {

struct Blob {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Blob&) const = default;
};

// Date-times travel as text "YYYY-MM-DD HH:MM:SS" (local time), so they are plain strings here.
using Value = std::variant<std::monostate, bool, std::int64_t, double, std::string, Blob>;

inline bool isNull(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

// Text of a value as a user or a log would read it; blobs are summarised, never dumped.
std::string toDisplayText(const Value& v);

// Case-insensitive (ASCII) comparison, the rule for table, column, key and parameter names.
bool iequals(std::string_view a, std::string_view b);
std::string toLower(std::string_view s);

struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

// A row of named values, as in the old and new images of a change set or a parameter list.
using NamedValues = std::map<std::string, Value, CaseInsensitiveLess>;

}  // namespace qk::protocol
