#include "server/core/rights.h"

#include <map>
#include <set>

#include "server/core/rights_map.h"

namespace qk::server {

using protocol::CaseInsensitiveLess;
using protocol::iequals;

namespace {

constexpr unsigned bitOf(CheckAfter check) {
  return check == CheckAfter::Nothing ? 0u : 1u << static_cast<unsigned>(check);
}

const char* verb(db::WriteKind kind) {
  switch (kind) {
    case db::WriteKind::Insert:
      return "新增";
    case db::WriteKind::Delete:
      return "删除";
    case db::WriteKind::Update:
      break;
  }
  return "修改";
}

constexpr const char* kPasswordRefusal = "密码只能通过设置密码的功能更改";

// The log rows a statement writes must belong to logins of the session's user; sys_log keeps its
// login data, sys_log_det its text. A renewed session may be another user's: it ends the lost
// login (a logout time where there was none) and moves that login's screen rows to its own.
// A violation is noted, and refused after the statement.
constexpr const char* kOwnLogTriggers = R"sql(
CREATE TEMP TRIGGER qk_own_log_insert BEFORE INSERT ON main.sys_log
  WHEN rtrim(coalesce(NEW.userName, '')) <> (SELECT userName FROM qk_log_owner) COLLATE NOCASE
    OR EXISTS (SELECT 1 FROM main.sys_log WHERE sysid = NEW.sysid)
BEGIN UPDATE qk_log_owner SET violated = 1; END;
CREATE TEMP TRIGGER qk_own_log_update BEFORE UPDATE ON main.sys_log
  WHEN (rtrim(coalesce(OLD.userName, '')) <> (SELECT userName FROM qk_log_owner) COLLATE NOCASE
        AND OLD.logoutTime IS NOT NULL)
    OR NEW.sysid IS NOT OLD.sysid OR NEW.userName IS NOT OLD.userName
    OR NEW.sysdate IS NOT OLD.sysdate OR NEW.loginTime IS NOT OLD.loginTime
    OR NEW.computerName IS NOT OLD.computerName
BEGIN UPDATE qk_log_owner SET violated = 1; END;
CREATE TEMP TRIGGER qk_own_log_det_insert BEFORE INSERT ON main.sys_log_det
  WHEN NOT EXISTS (SELECT 1 FROM main.sys_log WHERE sysid = NEW.mId
                   AND rtrim(userName) = (SELECT userName FROM qk_log_owner) COLLATE NOCASE)
    OR EXISTS (SELECT 1 FROM main.sys_log_det WHERE sysId = NEW.sysId)
BEGIN UPDATE qk_log_owner SET violated = 1; END;
CREATE TEMP TRIGGER qk_own_log_det_update BEFORE UPDATE ON main.sys_log_det
  WHEN NOT EXISTS (SELECT 1 FROM main.sys_log WHERE sysid = NEW.mId
                   AND rtrim(userName) = (SELECT userName FROM qk_log_owner) COLLATE NOCASE)
    OR NEW.sysId IS NOT OLD.sysId OR NEW.detail IS NOT OLD.detail
    OR NEW.sysdate IS NOT OLD.sysdate
BEGIN UPDATE qk_log_owner SET violated = 1; END;
)sql";

constexpr const char* kDropOwnLogTriggers =
    "DROP TRIGGER temp.qk_own_log_insert; DROP TRIGGER temp.qk_own_log_update; "
    "DROP TRIGGER temp.qk_own_log_det_insert; DROP TRIGGER temp.qk_own_log_det_update; "
    "DROP TABLE temp.qk_log_owner;";

}  // namespace

struct Rights::State {
  std::string user;  // without trailing blanks, as names are compared
  std::set<std::string, CaseInsensitiveLess> held;
  std::map<std::string, std::string, CaseInsensitiveLess> captions;  // actionNo → actionName
  unsigned armed = 0;   // checks prepared around the running statement
  unsigned wanted = 0;  // checks a refused statement would need

  std::string caption(std::string_view action) const {
    auto it = captions.find(action);
    return it == captions.end() || it->second.empty() ? std::string(action) : it->second;
  }

  // Nothing when the user holds one of the table's actions (or it needs none).
  std::optional<std::string> actionRefusal(const TableRights& t, db::WriteKind kind) const {
    if (t.actions[0].empty()) return std::nullopt;
    for (std::string_view a : t.actions)
      if (!a.empty() && held.count(a)) return std::nullopt;
    return "没有“" + caption(t.actions[0]) + "”的权限，不能" + verb(kind) + std::string(t.noun);
  }

  std::optional<std::string> refusal(db::WriteKind kind, std::string_view table,
                                     std::string_view column) {
    // Schema changes write the schema table first; the guard refuses them in its own words.
    if (iequals(table, "sqlite_master") || iequals(table, "sqlite_schema")) return std::nullopt;
    const TableRights* t = findTableRights(table);
    if (!t) return "不允许客户端修改表 " + std::string(table);
    if (auto why = actionRefusal(*t, kind)) return why;
    if (!t->passwordColumn.empty()) {
      if (kind == db::WriteKind::Update && iequals(column, t->passwordColumn))
        return kPasswordRefusal;
      if (kind == db::WriteKind::Insert)
        return "不能用 SQL 语句新增" + std::string(t->noun) + "，请在“" + caption(t->actions[0]) +
               "”中保存";
    }
    if (t->checkAfter == CheckAfter::OwnLogRows && kind == db::WriteKind::Delete)
      return "不能删除" + std::string(t->noun);
    const unsigned check = bitOf(t->checkAfter);
    if (check & ~armed) {
      wanted |= check;
      return std::string(t->noun) + "须在服务器检查后写入";
    }
    return std::nullopt;
  }
};

// A client statement run inside a transaction with the checks its writes need; the statement is
// not kept prepared afterwards, since it was allowed only under those checks.
class Rights::CheckedRun {
 public:
  CheckedRun(Rights& rights, db::Connection& db, unsigned checks)
      : rights_(rights), db_(db), checks_(checks), tx_(db) {
    if ((checks_ & bitOf(CheckAfter::OwnLogRows)) && db_.dialect() == db::Dialect::Postgres) {
      // The schema's triggers check the rows while this transaction names the user.
      db_.query("SELECT set_config('qk.log_owner', :u, true)", {{"u", rights_.state_->user}});
    } else if (checks_ & bitOf(CheckAfter::OwnLogRows)) {
      db_.script("CREATE TEMP TABLE qk_log_owner (userName TEXT, violated INTEGER)");
      db_.execute("INSERT INTO temp.qk_log_owner VALUES (:u, 0)", {{"u", rights_.state_->user}});
      db_.script(kOwnLogTriggers);
    }
    rights_.state_->armed = checks_;
  }
  ~CheckedRun() {
    rights_.state_->armed = 0;
    try {
      rights_.install(db_);
    } catch (...) {  // a destructor must not throw; installing only forgets prepared statements
    }
  }

  void finish() {
    if ((checks_ & bitOf(CheckAfter::OwnLogRows)) && db_.dialect() == db::Dialect::Sqlite) {
      const auto rs = db_.query("SELECT violated FROM temp.qk_log_owner");
      if (rs.rows.empty() || rs.rows[0][0] != protocol::Value{std::int64_t{0}})
        throw db::refusal("只能记录本人登录的日志");
      db_.script(kDropOwnLogTriggers);
    }
    if (checks_ & bitOf(CheckAfter::UserAdmins)) checkUserAdmins(db_);
    tx_.commit();
  }

 private:
  Rights& rights_;
  db::Connection& db_;
  unsigned checks_;
  db::Transaction tx_;
};

Rights::Rights(db::Connection& db, std::string user) : state_(std::make_shared<State>()) {
  state_->user = rtrimmed(user);
  refresh(db);
}

Rights::~Rights() = default;

const std::string& Rights::user() const {
  return state_->user;
}

bool Rights::holds(std::string_view action) const {
  return state_->held.count(action) > 0;
}

void Rights::refresh(db::Connection& db) {
  // SQLite's data version moves with every commit of another connection and its total_changes
  // with this one's writes; PostgreSQL's triggers count the writes of users, rights and actions.
  const auto stamp =
      db.query(db.dialect() == db::Dialect::Sqlite
                   ? "SELECT (SELECT data_version FROM pragma_data_version()), total_changes()"
                   : "SELECT version, 0 FROM main.qk_rights_version WHERE id = 1");
  const auto version = std::get<std::int64_t>(stamp.rows.at(0).at(0));
  const auto changes = std::get<std::int64_t>(stamp.rows.at(0).at(1));
  if (version == dataVersion_ && changes == ownChanges_) return;

  std::set<std::string, CaseInsensitiveLess> held;
  const auto rights = db.query(
      "SELECT actionNo FROM main.sys_rights WHERE rtrim(userName) = :u COLLATE NOCASE "
      "AND canView = 1",
      {{"u", state_->user}});
  for (const auto& row : rights.rows) held.insert(protocol::toDisplayText(row[0]));
  std::map<std::string, std::string, CaseInsensitiveLess> captions;
  for (const auto& row : db.query("SELECT actionNo, actionName FROM main.sys_action").rows)
    captions[protocol::toDisplayText(row[0])] = protocol::toDisplayText(row[1]);
  state_->captions = std::move(captions);
  const bool changed = held != state_->held || dataVersion_ < 0;
  state_->held = std::move(held);
  dataVersion_ = version;
  ownChanges_ = changes;
  // Statements prepared under the rights before were judged by them.
  if (changed) install(db);
}

void Rights::install(db::Connection& db) {
  db.setWritePolicy(
      [state = state_](db::WriteKind kind, std::string_view table, std::string_view column) {
        return state->refusal(kind, table, column);
      });
}

void Rights::checkChange(std::string_view table, const protocol::Change& change) const {
  const TableRights* t = findTableRights(table);
  if (!t) throw db::refusal("不允许客户端修改表 " + std::string(table));
  // The log is the main window's record of logins, written by its statements only.
  if (t->checkAfter == CheckAfter::OwnLogRows)
    throw db::refusal(std::string(t->noun) + "只能由系统自动记录");
  const db::WriteKind kind = change.op == protocol::ChangeOp::Insert   ? db::WriteKind::Insert
                             : change.op == protocol::ChangeOp::Delete ? db::WriteKind::Delete
                                                                       : db::WriteKind::Update;
  if (auto why = state_->actionRefusal(*t, kind)) throw db::refusal(*why);
  if (t->passwordColumn.empty() || kind == db::WriteKind::Delete) return;
  // The user screen sends the column along, empty; any value in it would be stored as given.
  const auto now = change.newValues.find(t->passwordColumn);
  if (now == change.newValues.end()) return;
  if (kind == db::WriteKind::Insert) {
    if (!protocol::isNull(now->second) && !protocol::toDisplayText(now->second).empty())
      throw db::refusal(kPasswordRefusal);
    return;
  }
  const auto before = change.oldValues.find(t->passwordColumn);
  if (before == change.oldValues.end() || before->second != now->second)
    throw db::refusal(kPasswordRefusal);
}

void Rights::beginClient() {
  state_->armed = 0;
  state_->wanted = 0;
}

void Rights::runChecked(db::Connection& db, const std::function<void()>& run) {
  beginClient();
  unsigned checks = 0;
  for (;;) {
    try {
      if (checks == 0) {
        run();
      } else {
        CheckedRun checked(*this, db, checks);
        run();
        checked.finish();
      }
      return;
    } catch (const db::DbError& e) {
      if (e.kind() != db::ErrorKind::Refused || !(state_->wanted & ~checks)) throw;
    }
    checks |= state_->wanted;
    state_->wanted = 0;
  }
}

void checkUserAdmins(db::Connection& db) {
  const auto rs = db.query(
      "SELECT count(*) FROM main.sys_user u WHERE "
      "EXISTS (SELECT 1 FROM main.sys_rights r WHERE rtrim(r.userName) = rtrim(u.userName) "
      "COLLATE NOCASE AND r.actionNo = :users COLLATE NOCASE AND r.canView = 1) AND "
      "EXISTS (SELECT 1 FROM main.sys_rights r WHERE rtrim(r.userName) = rtrim(u.userName) "
      "COLLATE NOCASE AND r.actionNo = :rights COLLATE NOCASE AND r.canView = 1)",
      {{"users", std::string(kUserAdminAction)}, {"rights", std::string(kRightsAdminAction)}});
  if (std::get<std::int64_t>(rs.rows.at(0).at(0)) == 0)
    throw db::refusal(
        "至少要保留一个拥有“用户设置”和“权限设置”权限的用户，不能删除最后一个用户管理员或取消其权"
        "限");
}

}  // namespace qk::server
