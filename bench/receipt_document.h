// The warehouse receipt the benchmarks save through UpdateData: a master row and `lines` detail
// lines, as the document editor sends them.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"

namespace qk::bench {

inline protocol::Json receiptDocument(const std::string& keyNo, int lines) {
  protocol::Json detail = protocol::Json::array();
  for (int i = 1; i <= lines; ++i)
    detail.push_back({{"op", "insert"},
                      {"new",
                       {{"keyNo", keyNo},
                        {"itemNo", i},
                        {"productNo", "PRDS000001"},
                        {"qty", i},
                        {"uPrice", 3.5},
                        {"pName", "闸阀"},
                        {"pSize", "DN50"},
                        {"remark", "批量"}}}});
  return {{"deltaA",
           {{"rows",
             {{{"op", "insert"},
               {"new",
                {{"keyNo", keyNo},
                 {"whNo", "01"},
                 {"docType", "生产入库"},
                 {"inDate", "2026-12-06 00:00:00"},
                 {"userName", "admin"}}}}}}}},
          {"tableA", "wh_In"},
          {"keyA1", "keyNo"},
          {"keyA2", ""},
          {"deltaB", {{"rows", detail}}},
          {"tableB", "wh_in_det"},
          {"keyB1", "keyNo"},
          {"keyB2", "itemNo"}};
}

}  // namespace qk::bench
