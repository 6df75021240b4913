#include "server/core/data_requests.h"

#include <cctype>
#include <mutex>

#include "server/core/captions.h"
#include "server/core/change_writer.h"
#include "server/core/password.h"
#include "server/core/providers.h"
#include "server/core/rights_map.h"
#include "server/procedures/exec_call.h"
#include "server/procedures/registry.h"

namespace qk::server {

namespace wire = protocol;

namespace {

// The SQL text a request runs: its own, or the provider's default query.
std::string statementText(const wire::StatementRequest& req) {
  const Provider* p = findProvider(req.provider.empty() ? "pubDSP" : req.provider);
  if (!p) throw db::DbError("未知的数据提供者: " + req.provider);
  if (!req.sql.empty()) return req.sql;
  if (p->defaultSql.empty())
    throw db::DbError("数据提供者 " + std::string(p->name) + " 没有默认查询，请提供 SQL 语句");
  return std::string(p->defaultSql);
}

// Runs a stored-procedure call; output arguments come back under their parameter names.
// A procedure whose own statements write is called only by holders of its actions.
std::optional<wire::RecordSet> runProcedure(db::Connection& db, const Rights& rights,
                                            const ExecCall& call, wire::Params& outParams) {
  static std::once_flag coreProcedures;
  std::call_once(coreProcedures, registerPasswordProcedure);
  const Procedure* proc = findProcedure(call.procedure);
  if (!proc) throw db::DbError("存储过程 " + call.procedure + " 不存在");
  if (const ProcedureRights* pr = findProcedureRights(call.procedure);
      pr && !pr->actions[0].empty()) {
    bool held = false;
    for (std::string_view a : pr->actions) held = held || (!a.empty() && rights.holds(a));
    if (!held)
      throw db::DbError("没有执行存储过程 " + call.procedure + " 的权限", db::ErrorKind::Refused);
  }
  std::vector<wire::Value> args;
  args.reserve(call.args.size());
  for (const auto& a : call.args) args.push_back(a.value);
  ProcedureCall pc{db, args, rights.user()};
  auto result = (*proc)(pc);
  for (std::size_t i = 0; i < call.args.size(); ++i)
    if (call.args[i].output) outParams[call.args[i].param] = args[i];
  return result;
}

// Runs a client's statement; a table's refusal reaches the user in captions.
template <typename Fn>
auto phrased(db::Connection& db, Fn&& fn) {
  try {
    return fn();
  } catch (const db::DbError& e) {
    throw inUsersWords(db, e);
  }
}

// The one table that a dataset's SQL text reads, for applying its change log.
std::string singleTableOf(std::string_view sql) {
  const std::string lower = wire::toLower(sql);
  auto isName = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
  };
  std::size_t pos = 0;
  while ((pos = lower.find("from", pos)) != std::string::npos) {
    const bool wordStart = pos == 0 || !isName(lower[pos - 1]);
    const bool wordEnd = pos + 4 >= lower.size() || !isName(lower[pos + 4]);
    if (wordStart && wordEnd) break;
    pos += 4;
  }
  if (pos == std::string::npos) throw db::DbError("无法确定要更新的表：SQL 语句中没有 from");
  std::size_t i = pos + 4;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  std::size_t start = i;
  while (i < sql.size() && isName(sql[i])) ++i;
  const std::string table(sql.substr(start, i - start));
  const std::string rest = lower.substr(i);
  const auto next = rest.find_first_not_of(" \t\r\n");
  if (table.empty() || rest.find(" join ") != std::string::npos ||
      (next != std::string::npos && rest[next] == ','))
    throw db::DbError("无法确定要更新的表：数据集必须只读取一个表");
  return table;
}

// Refuses the whole change log when the user may not write one of its rows.
void checkRights(const Rights& rights, const std::string& table, const wire::Delta& delta) {
  for (const auto& change : delta.rows) rights.checkChange(table, change);
}

// What must still hold after the user's writes to the table, checked before they commit.
void checkAfterWrites(db::Connection& db, const std::string& table) {
  if (const TableRights* t = findTableRights(table); t && t->checkAfter == CheckAfter::UserAdmins)
    checkUserAdmins(db);
}

void writeDelta(db::Connection& db, const Rights& rights, const wire::Delta& delta,
                const std::string& table, const std::string& key1, const std::string& key2) {
  if (delta.empty()) return;
  ChangeWriter writer(db, table, {key1, key2});
  checkRights(rights, writer.table(), delta);
  writer.applyAll(delta);
  checkAfterWrites(db, writer.table());
}

// Runs the writes in one transaction and answers "OK", or the reason nothing was written. A
// save the database rolled back because it deadlocked with another one is run again: the user
// should not have to press Save twice for what was nobody's mistake.
template <typename Fn>
wire::TextReply inOneTransaction(db::Connection& db, Fn&& write) {
  constexpr int kAttempts = 4;
  for (int attempt = 1;; ++attempt) {
    try {
      db::Transaction tx(db);
      write();
      tx.commit();
      return {"OK", {}, {}};
    } catch (const db::DbError& e) {
      if (e.lostToAnother() && attempt < kAttempts) continue;
      return {e.what(), errorCode(e.kind()), e.table()};
    }
  }
}

}  // namespace

wire::RecordSet openStatement(db::Connection& db, Rights& rights, const wire::StatementRequest& r) {
  rights.refresh(db);
  const std::string sql = statementText(r);
  return phrased(db, [&] {
    return rights.runClient(db, [&] {
      if (auto call = parseExecCall(sql, r.params)) {
        wire::Params out;
        auto rs = runProcedure(db, rights, *call, out);
        wire::RecordSet result = rs ? std::move(*rs) : wire::RecordSet{};
        result.outParams = std::move(out);
        return result;
      }
      return db.clientQuery(sql, r.params);
    });
  });
}

wire::ExecResult executeStatement(db::Connection& db, Rights& rights,
                                  const wire::StatementRequest& r) {
  rights.refresh(db);
  const std::string sql = statementText(r);
  return phrased(db, [&] {
    return rights.runClient(db, [&] {
      if (auto call = parseExecCall(sql, r.params)) {
        wire::ExecResult result;
        runProcedure(db, rights, *call, result.outParams);
        return result;
      }
      return db.clientExecute(sql, r.params);
    });
  });
}

wire::ApplyReply applyChanges(db::Connection& db, Rights& rights, const wire::ApplyRequest& r) {
  rights.refresh(db);
  const Provider* p = findProvider(r.provider.empty() ? "pubDSP" : r.provider);
  if (!p) throw db::DbError("未知的数据提供者: " + r.provider);
  // A provider whose own query renames or composes columns names no table: its rows must
  // not be mistaken for the rows of the table they were read from.
  std::string table;
  if (!r.sql.empty())
    table = singleTableOf(r.sql);
  else if (!p->applyTable.empty())
    table = std::string(p->applyTable);
  else
    throw db::DbError("数据提供者 " + std::string(p->name) + " 的数据不能直接修改",
                      db::ErrorKind::Refused);

  wire::ApplyReply reply;
  db::Transaction tx(db);
  // Rows after a refused one are still written when errors are tolerated.
  const db::StatementRollback keepGoing(db, r.maxErrors != 0);
  ChangeWriter writer(db, table, {});
  checkRights(rights, writer.table(), r.delta);
  for (std::size_t i : writeOrder(r.delta)) {
    try {
      writer.apply(r.delta.rows[i]);
    } catch (const db::DbError& e) {
      reply.errors.push_back({static_cast<int>(i), e.what(), errorCode(e.kind()), e.table()});
      if (r.maxErrors >= 0 && static_cast<int>(reply.errors.size()) > r.maxErrors) {
        reply.committed = false;  // the destructor rolls back every row of this apply
        return reply;
      }
    }
  }
  checkAfterWrites(db, writer.table());
  tx.commit();
  return reply;
}

wire::TextReply updateBasData(db::Connection& db, Rights& rights,
                              const wire::UpdateBasDataRequest& r) {
  rights.refresh(db);
  return inOneTransaction(db, [&] { writeDelta(db, rights, r.delta, r.table, r.key1, r.key2); });
}

wire::TextReply updateData(db::Connection& db, Rights& rights, const wire::UpdateDataRequest& r) {
  rights.refresh(db);
  return inOneTransaction(db, [&] {
    writeDelta(db, rights, r.deltaA, r.tableA, r.keyA1, r.keyA2);
    writeDelta(db, rights, r.deltaB, r.tableB, r.keyB1, r.keyB2);
  });
}

const char* errorCode(db::ErrorKind kind) {
  switch (kind) {
    case db::ErrorKind::Duplicate:
      return wire::code::kDuplicate;
    case db::ErrorKind::NotFound:
      return wire::code::kNotFound;
    case db::ErrorKind::NotNull:
    case db::ErrorKind::Constraint:
      return wire::code::kConstraint;
    case db::ErrorKind::Busy:
      return wire::code::kBusy;
    case db::ErrorKind::Refused:
      return wire::code::kRefused;
    case db::ErrorKind::DiskFull:
      return wire::code::kDiskFull;
    case db::ErrorKind::Storage:
      return wire::code::kStorage;
    case db::ErrorKind::TooLong:
      return wire::code::kTooLong;
    case db::ErrorKind::Other:
      break;
  }
  return wire::code::kError;
}

}  // namespace qk::server
