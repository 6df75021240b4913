// Change logs as the client's datasets send them, for tests that write through the server.
#pragma once

#include <initializer_list>
#include <utility>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"

namespace qk::test {

using protocol::Json;

inline Json insertRow(Json values) {
  return {{"op", "insert"}, {"new", std::move(values)}};
}
inline Json updateRow(Json old, Json values) {
  return {{"op", "update"}, {"old", std::move(old)}, {"new", std::move(values)}};
}
inline Json deleteRow(Json old) {
  return {{"op", "delete"}, {"old", std::move(old)}};
}
inline Json delta(std::initializer_list<Json> rows) {
  Json list = Json::array();
  for (const auto& r : rows) list.push_back(r);
  return {{"rows", list}};
}

}  // namespace qk::test
