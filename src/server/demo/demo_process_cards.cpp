#include "server/demo/demo_process_cards.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "server/demo/demo_rows.h"

namespace qk::server {

namespace {

using demo::insertValues;
using demo::text;
using protocol::Params;
using protocol::Value;

struct Step {
  const char* workStep;
  // Machining: tool, gauge, speed (r/min), cutting speed, depth, feed, times; heat treatment:
  // loading, heating temperature, heating and soaking time, medium, cooling temperature and time.
  std::initializer_list<std::pair<const char*, Value>> values;
};

void addCard(db::Connection& c, const std::string& keyNo, const std::string& docType,
             const CardTask& t, const Params& header, std::initializer_list<Step> steps) {
  Params master = header;
  master.insert({{"keyNo", text(keyNo)},
                 {"docType", text(docType)},
                 {"taskNo", text(t.taskNo)},
                 {"qty", Value(t.qty)},
                 {"matNo", text(t.material)},
                 {"userName", text("admin")},
                 {"docDate", text(t.written)}});
  master.insert({"audited", Value(false)});
  insertValues(c, "bus_check", master);

  std::int64_t item = 0;
  for (const Step& s : steps) {
    Params line{{"keyNo", text(keyNo)},
                {"itemNo", Value(++item)},
                {"taskNo", text(t.taskNo)},
                {"workStep", text(s.workStep)}};
    for (const auto& [name, value] : s.values) line.insert({name, value});
    insertValues(c, "bus_check_det", line);
  }
}

}  // namespace

void addProcessCards(db::Connection& c, const CardTask& t) {
  const std::string prefix = "GY-" + t.yymm + "-";
  addCard(c, prefix + "0001", "机加工", t,
          {{"devNo", text("SB05")},
           {"mpzl", text("铸件")},
           {"mpcc", text("按毛坯图")},
           {"jjmc", text("四爪卡盘")},
           {"qxy", text("乳化液")},
           {"remarkM", text("中法兰面与通道同心")}},
          {{"粗车中法兰端面及止口，留余量1.5",
            {{"dj", text("YT15外圆车刀")},
             {"lj", text("游标卡尺")},
             {"rotSpeed", Value(std::int64_t{120})},
             {"cutSpeed", Value(60.0)},
             {"cutDeepth", Value(2.5)},
             {"cutF", Value(0.4)},
             {"cutTime", Value(18.0)},
             {"cutTime2", Value(6.0)}}},
           {"调头粗车两端法兰及密封面",
            {{"dj", text("YT15外圆车刀")},
             {"lj", text("游标卡尺")},
             {"rotSpeed", Value(std::int64_t{100})},
             {"cutSpeed", Value(55.0)},
             {"cutDeepth", Value(2.0)},
             {"cutF", Value(0.35)},
             {"cutTime", Value(25.0)},
             {"cutTime2", Value(8.0)}}},
           {"精车阀座密封面至图纸尺寸",
            {{"dj", text("YW1精车刀")},
             {"lj", text("内径千分尺")},
             {"rotSpeed", Value(std::int64_t{160})},
             {"cutSpeed", Value(80.0)},
             {"cutDeepth", Value(0.3)},
             {"cutF", Value(0.12)},
             {"cutTime", Value(20.0)},
             {"cutTime2", Value(5.0)}}},
           {"钻两端法兰螺栓孔8-Φ18",
            {{"dj", text("Φ18麻花钻")},
             {"lj", text("钻模")},
             {"rotSpeed", Value(std::int64_t{400})},
             {"cutSpeed", Value(22.0)},
             {"cutDeepth", Value(9.0)},
             {"cutF", Value(0.2)},
             {"cutTime", Value(16.0)},
             {"cutTime2", Value(4.0)}}}});
  addCard(c, prefix + "0002", "热处理", t,
          {{"devNo", text("SB12")},
           {"mpzl", text("铸件")},
           {"rcl_rcllh", text("RT3-1")},
           {"rcl_method", text("固溶处理")},
           {"rcl_yd", text("HB≤187")}},
          {{"装炉，随炉升温",
            {{"rcl_zlwd", text("≤400℃")},
             {"rcl_jrwd", text("1050℃")},
             {"rcl_jrsj", text("3h")},
             {"rcl_bwsj", text("2h")},
             {"rcl_lqjz", text("水")},
             {"rcl_lqwd", text("≤40℃")},
             {"rcl_lqsj", text("10min")}}},
           {"出炉检查硬度，每炉抽检2件", {}}});
}

}  // namespace qk::server
