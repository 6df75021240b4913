// Small helpers the sample-data generators share: bound values, rounding, formatting, inserts.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/db/connection.h"

namespace qk::server::demo {

inline protocol::Value text(std::string_view s) {
  return std::string(s);
}

inline double round2(double d) {
  return std::round(d * 100.0) / 100.0;
}

template <typename... Args>
std::string fmt(const char* pattern, Args... args) {
  char buf[128];
  std::snprintf(buf, sizeof buf, pattern, args...);
  return buf;
}

// Column names come from the generators' own code only; every value is bound.
inline void insertValues(db::Connection& c, std::string_view table,
                         const protocol::Params& values) {
  std::string columns, markers;
  for (const auto& [name, value] : values) {
    columns += (columns.empty() ? "" : ", ") + name;
    markers += (markers.empty() ? ":" : ", :") + name;
  }
  c.execute("insert into " + std::string(table) + " (" + columns + ") values (" + markers + ")",
            values);
}

using Field = std::pair<std::string_view, protocol::Value>;

inline void insertRow(db::Connection& c, std::string_view table, const std::vector<Field>& fields) {
  protocol::Params params;
  for (const auto& [name, value] : fields) params.emplace(std::string(name), value);
  insertValues(c, table, params);
}

}  // namespace qk::server::demo
