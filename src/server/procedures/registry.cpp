#include "server/procedures/registry.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>

namespace qk::server {

namespace {

std::map<std::string, Procedure, protocol::CaseInsensitiveLess>& procedures() {
  static std::map<std::string, Procedure, protocol::CaseInsensitiveLess> map;
  return map;
}
std::mutex& registryMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

const protocol::Value& ProcedureCall::arg(std::size_t i) const {
  if (i >= args.size()) throw db::DbError("存储过程缺少第 " + std::to_string(i + 1) + " 个参数");
  return args[i];
}

std::string ProcedureCall::text(std::size_t i) const {
  return protocol::toDisplayText(arg(i));
}

std::int64_t ProcedureCall::integer(std::size_t i) const {
  const protocol::Value& v = arg(i);
  if (auto n = std::get_if<std::int64_t>(&v)) return *n;
  // A number beyond 64 bits is refused rather than cut to some other value.
  if (auto d = std::get_if<double>(&v); d && *d >= -0x1p63 && *d < 0x1p63)
    return static_cast<std::int64_t>(*d);
  if (auto s = std::get_if<std::string>(&v)) {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(s->c_str(), &end, 10);
    if (!s->empty() && end && *end == '\0' && errno != ERANGE) return n;
  }
  throw db::DbError("存储过程第 " + std::to_string(i + 1) +
                    " 个参数应为整数: " + protocol::toDisplayText(v));
}

protocol::Value ProcedureCall::number(std::size_t i) const {
  const protocol::Value& v = arg(i);
  auto s = std::get_if<std::string>(&v);
  if (!s) return v;
  const auto first = s->find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s->find_last_not_of(" \t");
  const std::string digits = s->substr(first, last - first + 1);
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(digits.c_str(), &end, 10);
  if (end && *end == '\0' && errno != ERANGE) return static_cast<std::int64_t>(n);
  errno = 0;
  const double d = std::strtod(digits.c_str(), &end);
  if (end && *end == '\0' && errno != ERANGE && std::isfinite(d)) return d;
  throw db::DbError("存储过程第 " + std::to_string(i + 1) + " 个参数应为数字: " + *s);
}

void registerProcedure(std::string name, Procedure proc) {
  std::lock_guard lock(registryMutex());
  procedures()[std::move(name)] = std::move(proc);
}

const Procedure* findProcedure(std::string_view name) {
  std::lock_guard lock(registryMutex());
  auto it = procedures().find(name);
  return it == procedures().end() ? nullptr : &it->second;
}

std::vector<std::string> registeredProcedures() {
  std::lock_guard lock(registryMutex());
  std::vector<std::string> names;
  for (const auto& [name, proc] : procedures()) names.push_back(name);
  return names;
}

void registerQueryPage();
void registerBomProcedures();
void registerTaskProcedures();
void registerStockProcedures();
void registerWageProcedures();
void registerCertificateProcedures();
void registerDashboardProcedures();

void registerAllProcedures() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerQueryPage();
    registerBomProcedures();
    registerTaskProcedures();
    registerStockProcedures();
    registerWageProcedures();
    registerCertificateProcedures();
    registerDashboardProcedures();
  });
}

void insertRows(db::Connection& db, std::string_view into, const std::vector<protocol::Row>& rows) {
  if (rows.empty()) return;
  const std::size_t width = std::max<std::size_t>(rows.front().size(), 1);
  // Below the parameters one statement may take: the SQLite connection allows 2000.
  const std::size_t perStatement = std::max<std::size_t>(1900 / width, 1);
  for (std::size_t first = 0; first < rows.size(); first += perStatement) {
    const std::size_t n = std::min(perStatement, rows.size() - first);
    std::string sql(into);
    sql += " VALUES ";
    db::Params params;
    for (std::size_t r = 0; r < n; ++r) {
      sql += r ? ",(" : "(";
      for (std::size_t c = 0; c < width; ++c) {
        const std::string name = "v" + std::to_string(r * width + c);
        sql += (c ? ",:" : ":") + name;
        params.emplace(name, c < rows[first + r].size() ? rows[first + r][c] : protocol::Value{});
      }
      sql += ')';
    }
    db.execute(sql, params);
  }
}

std::string foldCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string textOf(const protocol::Value& v) {
  const auto* s = std::get_if<std::string>(&v);
  return s ? *s : std::string();
}

}  // namespace qk::server
