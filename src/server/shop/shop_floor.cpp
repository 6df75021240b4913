#include "server/shop/shop_floor.h"

#include <cmath>
#include <ctime>
#include <string>

#include <nlohmann/json.hpp>

#include "server/procedures/registry.h"

namespace qk::server {

using protocol::Json;
using protocol::Value;

namespace {

db::DbError shopRefused(std::string text) {
  return db::DbError(std::move(text), db::ErrorKind::Refused);
}

Json jsonOf(const Value& v) {
  if (auto i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto d = std::get_if<double>(&v)) return *d;
  if (auto b = std::get_if<bool>(&v)) return *b;
  if (auto s = std::get_if<std::string>(&v)) return *s;
  return nullptr;
}

double numberOf(const Value& v) {
  if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v)) return *d;
  return 0;
}

// Rows as objects named by their columns.
Json objects(const protocol::RecordSet& rs) {
  Json out = Json::array();
  for (const auto& row : rs.rows) {
    Json o = Json::object();
    for (std::size_t i = 0; i < rs.fields.size(); ++i) o[rs.fields[i].name] = jsonOf(row[i]);
    out.push_back(std::move(o));
  }
  return out;
}

// Pieces a record reports as done; records entered on the desktop carry only the four counts.
constexpr const char* kDoneOfRecord =
    "coalesce(f.doneQty, ifnull(f.gqty, 0) + ifnull(f.gfqty, 0) + ifnull(f.lfqty, 0))";

double overPlanPercent(db::Connection& db) {
  const auto rs = db.query("SELECT idValue FROM sys_config WHERE idName = 'shopOverPlanPct'");
  if (rs.rows.empty()) return 0;
  try {
    const double pct = std::stod(textOf(rs.rows[0][0]));
    return std::isfinite(pct) && pct > 0 ? pct : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  return s;
}

std::string member(const Json& body, const char* name) {
  auto it = body.find(name);
  if (it == body.end() || it->is_null()) return {};
  if (!it->is_string()) throw protocol::WireError(std::string("\"") + name + "\" must be text");
  return trimmed(it->get<std::string>());
}

// A quantity as the page sends it: a number or its text; empty counts as zero.
double quantity(const Json& body, const char* name, const char* caption) {
  auto it = body.find(name);
  if (it == body.end() || it->is_null()) return 0;
  double v = 0;
  if (it->is_number()) {
    v = it->get<double>();
  } else if (it->is_string()) {
    const std::string s = trimmed(it->get<std::string>());
    if (s.empty()) return 0;
    std::size_t used = 0;
    try {
      v = std::stod(s, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != s.size()) throw shopRefused(std::string(caption) + "必须是数字");
  } else {
    throw shopRefused(std::string(caption) + "必须是数字");
  }
  if (!std::isfinite(v)) throw shopRefused(std::string(caption) + "必须是数字");
  if (v < 0) throw shopRefused(std::string(caption) + "不能为负数");
  if (v > 1e12) throw shopRefused(std::string(caption) + "太大");
  return v;
}

std::string figure(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.5f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// Characters of a UTF-8 text, as the column sizes count them.
std::size_t characters(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool validSubmitId(const std::string& id) {
  if (id.size() < 8 || id.size() > 64) return false;
  for (char c : id)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  return true;
}

protocol::RecordSet taskRow(db::Connection& db, std::string_view taskNo) {
  return db.query(
      "SELECT t.taskNo AS taskNo, t.gsNo AS gsNo, t.productNo AS productNo, t.des AS des, "
      "t.productUnit AS unit, t.procNo AS procNo, t.procName AS procName, t.depNo AS depNo, "
      "t.depName AS depName, t.qty AS planQty, t.pDate AS pDate, "
      "(SELECT total(" +
          std::string(kDoneOfRecord) +
          ") FROM bus_flow f WHERE f.taskNo = t.taskNo) AS doneQty, "
          "(SELECT total(f.gqty) FROM bus_flow f WHERE f.taskNo = t.taskNo) AS gqty, "
          "(SELECT total(ifnull(f.gfqty, 0) + ifnull(f.lfqty, 0)) FROM bus_flow f "
          " WHERE f.taskNo = t.taskNo) AS scrapQty "
          "FROM view_bus_task_det t WHERE t.taskNo = :t",
      {{"t", std::string(taskNo)}});
}

void checkExists(db::Connection& db, const char* sql, const std::string& value,
                 const std::string& refusal) {
  if (value.empty()) return;
  if (db.query(sql, {{"v", value}}).rows.empty()) throw shopRefused(refusal);
}

}  // namespace

std::string shopTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

Json shopTaskLine(db::Connection& db, std::string_view staffNo, std::string_view taskNo) {
  const std::string task = trimmed(std::string(taskNo));
  if (task.empty()) throw shopRefused("请扫描流转卡或输入任务号");
  const auto rs = taskRow(db, task);
  if (rs.rows.empty()) throw db::DbError("任务号“" + task + "”不存在", db::ErrorKind::NotFound);
  Json line = objects(rs)[0];
  const double plan = numberOf(rs.rows[0][9]);
  line["limitQty"] = plan * (1 + overPlanPercent(db) / 100);
  // The item's other task lines: the processes the product goes through, with their progress.
  line["processes"] = objects(db.query(
      "SELECT t.taskNo AS taskNo, t.procName AS procName, t.depName AS depName, t.qty AS planQty, "
      "(SELECT total(" +
          std::string(kDoneOfRecord) +
          ") FROM bus_flow f WHERE f.taskNo = t.taskNo) AS doneQty "
          "FROM view_bus_task_det t WHERE t.gsNo = :g AND t.productNo IS NOT DISTINCT FROM :p "
          "ORDER BY t.taskNo",
      {{"g", rs.rows[0][1]}, {"p", rs.rows[0][2]}}));
  line["records"] = objects(db.query(
      "SELECT f.sysid AS sysid, coalesce(p.procName, '') AS procName, "
      "coalesce(s.staffName, f.staffNo) AS staffName, " +
          std::string(kDoneOfRecord) +
          " AS doneQty, f.gqty AS gqty, ifnull(f.gfqty, 0) + ifnull(f.lfqty, 0) AS scrapQty, "
          "coalesce(d.depName, v.devName, '') AS place, f.remark AS remark, "
          "coalesce(f.entryTime, f.inspDate) AS time, "
          "(f.staffNo = :me AND f.submitId IS NOT NULL) AS mine "
          "FROM bus_flow f LEFT JOIN bas_process p ON p.procNo = f.procNo "
          "LEFT JOIN bas_staff s ON s.staffNo = f.staffNo "
          "LEFT JOIN bas_dep d ON d.depNo = f.depNo LEFT JOIN bas_device v ON v.devNo = f.devNo "
          "WHERE f.taskNo = :t ORDER BY f.sysid DESC LIMIT 50",
      {{"t", task}, {"me", std::string(staffNo)}}));
  return line;
}

Json shopChoices(db::Connection& db) {
  return Json{
      {"processes", objects(db.query("SELECT procNo, procName FROM bas_process ORDER BY procNo"))},
      {"departments", objects(db.query("SELECT depNo, depName FROM bas_dep "
                                       "WHERE ifnull(isWh, 0) = 0 ORDER BY depNo"))},
      {"devices", objects(db.query("SELECT devNo, devName FROM bas_device ORDER BY devNo"))},
  };
}

Json shopAddRecord(db::Connection& db, std::string_view staffNo, const Json& body) {
  const std::string submitId = member(body, "submitId");
  if (!validSubmitId(submitId)) throw protocol::WireError("\"submitId\" is missing or malformed");
  const std::string taskNo = member(body, "taskNo");
  std::string procNo = member(body, "procNo");
  const std::string depNo = member(body, "depNo");
  const std::string devNo = member(body, "devNo");
  const std::string remark = member(body, "remark");
  const double done = quantity(body, "doneQty", "完成数");
  const double good = quantity(body, "gqty", "合格数");
  const double scrap = quantity(body, "scrapQty", "报废数");

  db::Transaction tx(db);
  // A repeated submission: the record it made the first time.
  const auto seen = db.query("SELECT sysid, staffNo, taskNo FROM bus_flow WHERE submitId = :id",
                             {{"id", submitId}});
  if (!seen.rows.empty()) {
    if (textOf(seen.rows[0][1]) != staffNo) throw shopRefused("提交编号已被使用，请刷新页面");
    Json reply{{"result", "OK"}, {"sysid", jsonOf(seen.rows[0][0])}, {"repeated", true}};
    reply["task"] = shopTaskLine(db, staffNo, textOf(seen.rows[0][2]));
    return reply;
  }

  if (taskNo.empty()) throw shopRefused("请扫描流转卡或输入任务号");
  const auto task = taskRow(db, taskNo);
  if (task.rows.empty()) throw db::DbError("任务号“" + taskNo + "”不存在", db::ErrorKind::NotFound);
  if (done <= 0) throw shopRefused("完成数必须大于 0");
  if (good + scrap > done + 1e-9) throw shopRefused("合格数与报废数之和不能超过完成数");
  const double plan = numberOf(task.rows[0][9]);
  const double pct = overPlanPercent(db);
  const double limit = plan * (1 + pct / 100);
  const double already = numberOf(task.rows[0][11]);
  if (already + done > limit + 1e-9) {
    std::string text = "累计完成数 " + figure(already + done) + " 超过计划数 " + figure(plan);
    if (pct > 0) text += "（允许超出 " + figure(pct) + "%）";
    text += "，还可报 " + figure(std::max(0.0, limit - already));
    throw shopRefused(text);
  }
  if (procNo.empty()) procNo = textOf(task.rows[0][5]);
  checkExists(db, "SELECT 1 FROM bas_process WHERE procNo = :v", procNo,
              "工序“" + procNo + "”不存在");
  checkExists(db, "SELECT 1 FROM bas_dep WHERE depNo = :v", depNo, "部门“" + depNo + "”不存在");
  checkExists(db, "SELECT 1 FROM bas_device WHERE devNo = :v", devNo, "设备“" + devNo + "”不存在");
  if (characters(remark) > 50) throw shopRefused("备注不能超过 50 个字");

  const std::time_t now = std::time(nullptr);
  const std::string time = shopTime(now);
  auto orNull = [](const std::string& s) { return s.empty() ? Value() : Value(s); };
  const auto result = db.execute(
      "INSERT INTO bus_flow (taskNo, staffNo, devNo, procNo, depNo, doneQty, gqty, gfqty, lfqty, "
      "fxqty, remark, inspDate, entryTime, submitId) VALUES (:t, :s, :dev, :p, :dep, :done, :g, "
      ":gf, 0, 0, :r, :day, :time, :id)",
      {{"t", task.rows[0][0]},
       {"s", std::string(staffNo)},
       {"dev", orNull(devNo)},
       {"p", orNull(procNo)},
       {"dep", orNull(depNo)},
       {"done", done},
       {"g", good},
       {"gf", scrap},
       {"r", orNull(remark)},
       // The day the wage statistics count the record in, as the desktop's dialog enters it.
       {"day", time.substr(0, 10) + " 00:00:00"},
       {"time", time},
       {"id", submitId}});
  Json reply{{"result", "OK"}, {"sysid", result.lastInsertId}, {"repeated", false}};
  reply["task"] = shopTaskLine(db, staffNo, textOf(task.rows[0][0]));
  tx.commit();
  return reply;
}

Json shopUndoLast(db::Connection& db, std::string_view staffNo) {
  db::Transaction tx(db);
  const auto last = db.query(
      "SELECT sysid, taskNo, entryTime FROM bus_flow WHERE staffNo = :s AND submitId IS NOT NULL "
      "ORDER BY sysid DESC LIMIT 1",
      {{"s", std::string(staffNo)}});
  if (last.rows.empty()) throw shopRefused("没有可撤销的记录");
  const std::string oldest = shopTime(std::time(nullptr) - kShopUndoMinutes * 60);
  if (textOf(last.rows[0][2]) < oldest)
    throw shopRefused("只能撤销 " + std::to_string(kShopUndoMinutes) +
                      " 分钟内自己提交的最后一条记录");
  db.execute("DELETE FROM bus_flow WHERE sysid = :id", {{"id", last.rows[0][0]}});
  Json reply{{"result", "OK"}, {"sysid", jsonOf(last.rows[0][0])}};
  reply["task"] = shopTaskLine(db, staffNo, textOf(last.rows[0][1]));
  tx.commit();
  return reply;
}

}  // namespace qk::server
