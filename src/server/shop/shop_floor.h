// The shop-floor page's narrow API over one account set: a worker signs in with staff number and
// PIN, reads a task line, and adds or takes back process records. Every write goes to bus_flow
// through fixed, bound statements; nothing a phone sends ever becomes SQL text.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "protocol/wire.h"
#include "server/db/connection.h"

namespace qk::server {

// How long a worker may take back his own last record.
inline constexpr int kShopUndoMinutes = 10;

// The server's local time as the database stores date-times: "YYYY-MM-DD HH:MM:SS".
std::string shopTime(std::time_t t);

// The reason a shop sign-in is refused, or empty when the PIN matches the staff member's hash.
// Unknown staff, no PIN set and a wrong PIN read alike, so the page does not tell who exists.
std::string pinRefusal(db::Connection& db, std::string_view staffNo, std::string_view pin);
// The staff member's name ("" when he has none).
std::string staffName(db::Connection& db, std::string_view staffNo);

// The task line with its plan, what its records add up to and its records, newest first.
protocol::Json shopTaskLine(db::Connection& db, std::string_view staffNo, std::string_view taskNo);
// What a record may name: processes, departments and devices.
protocol::Json shopChoices(db::Connection& db);
// Adds one record for the worker from the page's submission (see docs/SHOP_FLOOR.md); a
// submission id seen before answers with its record again instead of adding one.
protocol::Json shopAddRecord(db::Connection& db, std::string_view staffNo,
                             const protocol::Json& body);
// Deletes the worker's last record from the page when it is at most kShopUndoMinutes old.
protocol::Json shopUndoLast(db::Connection& db, std::string_view staffNo);

// Registers sp_setStaffPin: exec sp_setStaffPin <staffNo>, <pin>; an empty PIN removes it.
void registerStaffPinProcedure();

}  // namespace qk::server
