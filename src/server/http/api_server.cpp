#include "server/http/api_server.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"
#include "server/core/account_store.h"
#include "server/core/change_writer.h"
#include "server/core/password.h"
#include "server/core/providers.h"
#include "server/http/session_store.h"
#include "server/procedures/exec_call.h"
#include "server/procedures/registry.h"

namespace qk::server {

using protocol::Json;
namespace wire = protocol;

namespace {

using Clock = std::chrono::steady_clock;

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string timestamp() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

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
std::optional<wire::RecordSet> runProcedure(db::Connection& db, const ExecCall& call,
                                            wire::Params& outParams) {
  const Procedure* proc = findProcedure(call.procedure);
  if (!proc) throw db::DbError("存储过程 " + call.procedure + " 不存在");
  std::vector<wire::Value> args;
  args.reserve(call.args.size());
  for (const auto& a : call.args) args.push_back(a.value);
  ProcedureCall pc{db, args};
  auto result = (*proc)(pc);
  for (std::size_t i = 0; i < call.args.size(); ++i)
    if (call.args[i].output) outParams[call.args[i].param] = args[i];
  return result;
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

void writeDelta(db::Connection& db, const wire::Delta& delta, const std::string& table,
                const std::string& key1, const std::string& key2) {
  if (delta.empty()) return;
  ChangeWriter writer(db, table, {key1, key2});
  for (std::size_t i : writeOrder(delta)) writer.apply(delta.rows[i]);
}

}  // namespace

struct ApiServer::Impl {
  explicit Impl(ServerOptions o)
      : options(std::move(o)),
        accounts(options.dataDir),
        sessions(options.idleLimit),
        throttle(options.freeLoginFailures, options.firstLockout) {}

  ServerOptions options;
  AccountStore accounts;
  SessionStore sessions;
  LoginThrottle throttle;
  httplib::Server http;
  std::mutex logMutex;

  std::thread sweeper;
  std::mutex sweepMutex;
  std::condition_variable sweepWake;
  bool stopping = false;

  void log(const httplib::Request& req, int status, double ms, const std::string& who) {
    if (!options.log) return;
    std::lock_guard lock(logMutex);
    std::fprintf(options.log, "%s %s %s %d %.2fms %s\n", timestamp().c_str(), req.method.c_str(),
                 req.path.c_str(), status, ms, who.c_str());
    std::fflush(options.log);
  }

  void reply(httplib::Response& res, int status, const Json& body) {
    res.status = status;
    res.set_content(wire::dump(body), "application/json; charset=utf-8");
  }

  // Runs a handler with the error mapping every endpoint shares.
  template <typename Fn>
  void guarded(const httplib::Request& req, httplib::Response& res, std::string who, Fn&& fn) {
    const auto start = Clock::now();
    try {
      reply(res, 200, fn(who));
    } catch (const wire::WireError& e) {
      reply(res, 400, Json{{"error", std::string("请求格式错误: ") + e.what()}});
    } catch (const db::DbError& e) {
      reply(res, 200, Json{{"error", e.what()}});
    } catch (const std::invalid_argument& e) {
      reply(res, 200, Json{{"error", e.what()}});
    } catch (const std::exception& e) {
      reply(res, 500, Json{{"error", std::string("服务器内部错误: ") + e.what()}});
    }
    log(req, res.status, std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
        who);
  }

  // Endpoints that need a session: the bearer token selects it, and its mutex serialises the
  // requests that share its connection.
  template <typename Fn>
  void authed(const httplib::Request& req, httplib::Response& res, Fn&& fn) {
    const std::string header = req.get_header_value("Authorization");
    const std::string prefix = "Bearer ";
    std::shared_ptr<Session> session;
    if (header.size() > prefix.size() && header.compare(0, prefix.size(), prefix) == 0)
      session = sessions.find(header.substr(prefix.size()));
    if (!session) {
      reply(res, 401, Json{{"error", "未登录或会话已过期，请重新登录"}});
      log(req, 401, 0, "-");
      return;
    }
    guarded(req, res, session->user + "@" + session->account, [&](std::string&) {
      const Json body = wire::parseBody(req.body);
      std::lock_guard lock(session->mutex);
      return fn(*session, body);
    });
  }

  Json login(const httplib::Request& req, std::string& who) {
    auto r = wire::fromJson<wire::LoginRequest>(wire::parseBody(req.body));
    who = r.user + "@" + r.account;
    const std::string user = rtrim(r.user);
    if (r.account.empty()) return wire::toJson(wire::LoginReply{"账套不能为空", ""});
    if (user.empty()) return wire::toJson(wire::LoginReply{"用户名不能为空", ""});
    const std::string key =
        wire::toLower(r.account) + '\x1f' + wire::toLower(user) + '\x1f' + req.remote_addr;
    if (long wait = throttle.waitSeconds(key))
      return wire::toJson(
          wire::LoginReply{"登录失败次数过多，请 " + std::to_string(wait) + " 秒后再试", ""});
    auto refuse = [&](std::string reason) {
      throttle.failed(key);
      return wire::toJson(wire::LoginReply{std::move(reason), ""});
    };
    if (!accounts.exists(r.account)) return refuse("账套“" + r.account + "”不存在");
    auto db = accounts.open(r.account);
    auto rs = db->query("select pwd from sys_user where rtrim(userName) = :u", {{"u", user}});
    if (rs.rows.empty()) return refuse("用户“" + user + "”不存在");
    const std::string hash = wire::toDisplayText(rs.rows[0][0]);
    if (!verifyPassword(hash, r.password)) return refuse("密码错误");
    throttle.succeeded(key);
    auto session = sessions.create(r.account, r.user, std::move(db));
    return wire::toJson(wire::LoginReply{"OK", session->token});
  }

  Json open(Session& s, const Json& body) {
    auto r = wire::fromJson<wire::StatementRequest>(body);
    const std::string sql = statementText(r);
    if (auto call = parseExecCall(sql, r.params)) {
      wire::Params out;
      auto rs = runProcedure(*s.db, *call, out);
      wire::RecordSet result = rs ? std::move(*rs) : wire::RecordSet{};
      result.outParams = std::move(out);
      return wire::toJson(result);
    }
    return wire::toJson(s.db->clientQuery(sql, r.params));
  }

  Json execute(Session& s, const Json& body) {
    auto r = wire::fromJson<wire::StatementRequest>(body);
    const std::string sql = statementText(r);
    if (auto call = parseExecCall(sql, r.params)) {
      wire::ExecResult result;
      runProcedure(*s.db, *call, result.outParams);
      return wire::toJson(result);
    }
    return wire::toJson(s.db->clientExecute(sql, r.params));
  }

  Json apply(Session& s, const Json& body) {
    auto r = wire::fromJson<wire::ApplyRequest>(body);
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
      throw db::DbError("数据提供者 " + std::string(p->name) + " 的数据不能直接修改");

    wire::ApplyReply reply;
    db::Transaction tx(*s.db);
    ChangeWriter writer(*s.db, table, {});
    for (std::size_t i : writeOrder(r.delta)) {
      try {
        writer.apply(r.delta.rows[i]);
      } catch (const db::DbError& e) {
        reply.errors.push_back({static_cast<int>(i), e.what()});
        if (r.maxErrors >= 0 && static_cast<int>(reply.errors.size()) > r.maxErrors) {
          reply.committed = false;  // the destructor rolls back every row of this apply
          return wire::toJson(reply);
        }
      }
    }
    tx.commit();
    return wire::toJson(reply);
  }

  // UpdateBasData and UpdateData answer a text: "OK", or the reason nothing was written.
  Json updateData(Session& s, const wire::Delta& a, const std::string& tableA,
                  const std::string& keyA1, const std::string& keyA2, const wire::Delta* b,
                  const std::string& tableB, const std::string& keyB1, const std::string& keyB2) {
    try {
      db::Transaction tx(*s.db);
      writeDelta(*s.db, a, tableA, keyA1, keyA2);
      if (b) writeDelta(*s.db, *b, tableB, keyB1, keyB2);
      tx.commit();
      return wire::toJson(wire::TextReply{"OK"});
    } catch (const db::DbError& e) {
      return wire::toJson(wire::TextReply{e.what()});
    }
  }

  void routes() {
    http.Get(wire::path::kHealth, [this](const httplib::Request& req, httplib::Response& res) {
      guarded(req, res, "-", [](std::string&) { return Json{{"status", "ok"}}; });
    });
    http.Post(wire::path::kLogin, [this](const httplib::Request& req, httplib::Response& res) {
      guarded(req, res, "-", [&](std::string& who) { return login(req, who); });
    });
    http.Post(wire::path::kLogout, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session& s, const Json&) {
        sessions.remove(s.token);
        return Json{{"result", "OK"}};
      });
    });
    http.Post(wire::path::kOpen, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session& s, const Json& body) { return open(s, body); });
    });
    http.Post(wire::path::kExecute, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session& s, const Json& body) { return execute(s, body); });
    });
    http.Post(wire::path::kApply, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session& s, const Json& body) { return apply(s, body); });
    });
    http.Post(wire::path::kUpdateBasData,
              [this](const httplib::Request& req, httplib::Response& res) {
                authed(req, res, [&](Session& s, const Json& body) {
                  auto r = wire::fromJson<wire::UpdateBasDataRequest>(body);
                  return updateData(s, r.delta, r.table, r.key1, r.key2, nullptr, {}, {}, {});
                });
              });
    http.Post(wire::path::kUpdateData, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session& s, const Json& body) {
        auto r = wire::fromJson<wire::UpdateDataRequest>(body);
        return updateData(s, r.deltaA, r.tableA, r.keyA1, r.keyA2, &r.deltaB, r.tableB, r.keyB1,
                          r.keyB2);
      });
    });
    http.Post(wire::path::kEchoString, [this](const httplib::Request& req, httplib::Response& res) {
      authed(req, res, [&](Session&, const Json& body) {
        auto it = body.find("value");
        if (it == body.end() || !it->is_string())
          throw wire::WireError("EchoString: \"value\" must be text");
        return Json{{"result", it->get<std::string>()}};
      });
    });
  }
};

ApiServer::ApiServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
  registerAllProcedures();
  auto& http = impl_->http;
  const int threads = impl_->options.threads;
  http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  http.set_tcp_nodelay(true);
  http.set_keep_alive_max_count(100000);
  http.set_keep_alive_timeout(impl_->options.keepAliveTimeout.count());
  http.set_payload_max_length(256u << 20);
  impl_->routes();
}

ApiServer::~ApiServer() {
  stop();
}

int ApiServer::bind(const std::string& host, int port) {
  int bound = port == 0 ? impl_->http.bind_to_any_port(host) : port;
  if (port != 0 && !impl_->http.bind_to_port(host, port)) bound = -1;
  if (bound < 0)
    throw std::runtime_error("无法监听 " + host + ":" + std::to_string(port) +
                             "（端口被占用或地址无效）");
  return bound;
}

void ApiServer::run() {
  impl_->sweeper = std::thread([this] {
    std::unique_lock lock(impl_->sweepMutex);
    while (!impl_->stopping) {
      impl_->sweepWake.wait_for(lock, std::chrono::seconds(30));
      if (!impl_->stopping) impl_->sessions.expireIdle();
    }
  });
  impl_->http.listen_after_bind();
  {
    std::lock_guard lock(impl_->sweepMutex);
    impl_->stopping = true;
  }
  impl_->sweepWake.notify_all();
  impl_->sweeper.join();
}

void ApiServer::stop() {
  impl_->http.stop();
}

std::size_t ApiServer::sessionCount() const {
  return impl_->sessions.size();
}

}  // namespace qk::server
