// The named providers a client reads and writes through. A provider has an optional default
// query (used when a client opens it with no SQL text of its own) and an optional table that
// applying a change log writes to when the client's SQL text does not name one.
#pragma once

#include <span>
#include <string_view>

namespace qk::server {

struct Provider {
  std::string_view name;
  std::string_view defaultSql;  // empty: the provider has no query of its own
  std::string_view applyTable;  // empty: derived from the client's SQL text
};

// Every provider clients may name; the lookup is case-insensitive.
std::span<const Provider> providers();
const Provider* findProvider(std::string_view name);

}  // namespace qk::server
