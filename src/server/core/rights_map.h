// Which actions of the main window allow a client to write which table: one row per table, read
// like the action list. A user holds an action when his sys_rights row for it has canView (the
// right to open the screen). A table that is not listed cannot be written by clients at all;
// reading is never limited here.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace qk::server {

// What is checked after a client statement wrote the table, in the same transaction.
enum class CheckAfter {
  Nothing,
  OwnLogRows,  // every row written belongs to a login of the writing user
  UserAdmins,  // someone still holds both user-administration rights
};

struct TableRights {
  std::string_view table;
  std::string_view noun;  // what the table holds, for refusals ("不能修改用户资料")
  // Unused places stay empty; the first action's screen is named in refusals. None at all: every
  // logged-in user, within what checkAfter allows.
  std::array<std::string_view, 3> actions{};
  CheckAfter checkAfter = CheckAfter::Nothing;
  // The password column, set only by the server's password method: never by client SQL (so no
  // client SQL inserts rows either, as an insert cannot be checked per column) nor change logs.
  std::string_view passwordColumn{};
};

// Procedures whose own statements write the database: who may call them. Procedures not listed
// write nothing, or only through the guarded client statements.
struct ProcedureRights {
  std::string_view procedure;
  std::array<std::string_view, 3> actions{};  // none: every logged-in user (it checks itself)
};

std::span<const TableRights> rightsMap();
// Lookups ignore case, as the database's names do; null when not listed.
const TableRights* findTableRights(std::string_view table);
const ProcedureRights* findProcedureRights(std::string_view procedure);

// The actions whose holders administer users and rights; the last holder cannot lose them.
inline constexpr std::string_view kUserAdminAction = "sys_userAction";
inline constexpr std::string_view kRightsAdminAction = "sys_rightsAction";

}  // namespace qk::server
