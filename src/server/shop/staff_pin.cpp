// Staff PINs for the shop-floor page: set by sp_setStaffPin as argon2id hashes, checked at sign-in.
#include <algorithm>
#include <ctime>
#include <string>

#include "server/core/password.h"
#include "server/procedures/registry.h"
#include "server/shop/shop_floor.h"

namespace qk::server {

namespace {

db::DbError pinRefused(std::string text) {
  return db::DbError(std::move(text), db::ErrorKind::Refused);
}

std::optional<protocol::RecordSet> setStaffPin(ProcedureCall& call) {
  std::string staffNo = call.text(0);
  while (!staffNo.empty() && staffNo.back() == ' ') staffNo.pop_back();
  const std::string pin = call.text(1);
  const auto staff =
      call.db.query("SELECT staffNo FROM main.bas_staff WHERE staffNo = :s", {{"s", staffNo}});
  if (staff.rows.empty()) throw db::DbError("职员“" + staffNo + "”不存在", db::ErrorKind::NotFound);
  if (pin.empty()) {
    call.db.execute("DELETE FROM main.qk_staff_pin WHERE staffNo = :s", {{"s", staff.rows[0][0]}});
    return std::nullopt;
  }
  // Short PINs are only safe because sign-ins are throttled; below four digits even that is not.
  const bool digits =
      std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || pin.size() < 4 || pin.size() > 8) throw pinRefused("PIN 必须是 4 到 8 位数字");
  call.db.execute(
      "INSERT INTO main.qk_staff_pin (staffNo, pinHash, setBy, setDate) VALUES (:s, :h, :u, :d) "
      "ON CONFLICT (staffNo) DO UPDATE SET pinHash = excluded.pinHash, setBy = excluded.setBy, "
      "setDate = excluded.setDate",
      {{"s", staff.rows[0][0]},
       {"h", hashPassword(pin)},
       {"u", std::string(call.user)},
       {"d", shopTime(std::time(nullptr))}});
  return std::nullopt;
}

}  // namespace

std::string pinRefusal(db::Connection& db, std::string_view staffNo, std::string_view pin) {
  const auto rs = db.query("SELECT pinHash FROM qk_staff_pin WHERE staffNo = :s",
                           {{"s", std::string(staffNo)}});
  const std::string hash = rs.rows.empty() ? "" : protocol::toDisplayText(rs.rows[0][0]);
  if (hash.empty() || pin.empty() || !verifyPassword(hash, pin)) return "工号或 PIN 错误";
  return {};
}

std::string staffName(db::Connection& db, std::string_view staffNo) {
  const auto rs =
      db.query("SELECT staffName FROM bas_staff WHERE staffNo = :s", {{"s", std::string(staffNo)}});
  return rs.rows.empty() ? "" : textOf(rs.rows[0][0]);
}

void registerStaffPinProcedure() {
  registerProcedure("sp_setStaffPin", setStaffPin);
}

}  // namespace qk::server
