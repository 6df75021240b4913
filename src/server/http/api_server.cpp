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
#include "server/core/authentication.h"
#include "server/core/data_requests.h"
#include "server/http/session_store.h"
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
    auto failed = [&](int status, std::string text, const char* code, std::string table = {}) {
      reply(res, status, wire::toJson(wire::ErrorReply{std::move(text), code, std::move(table)}));
    };
    try {
      reply(res, 200, fn(who));
    } catch (const wire::WireError& e) {
      failed(400, std::string("请求格式错误: ") + e.what(), wire::code::kBadRequest);
    } catch (const db::DbError& e) {
      failed(200, e.what(), errorCode(e.kind()), e.table());
    } catch (const std::invalid_argument& e) {
      failed(200, e.what(), wire::code::kError);
    } catch (const std::exception& e) {
      failed(500, std::string("服务器内部错误: ") + e.what(), wire::code::kInternal);
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
      reply(res, 401,
            wire::toJson(
                wire::ErrorReply{"未登录或会话已过期，请重新登录", wire::code::kSession, {}}));
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
    if (std::string why = loginRefusal(*db, user, r.password); !why.empty()) return refuse(why);
    throttle.succeeded(key);
    auto rights = std::make_unique<Rights>(*db, user);
    auto session = sessions.create(r.account, r.user, std::move(db));
    session->rights = std::move(rights);
    return wire::toJson(wire::LoginReply{"OK", session->token});
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
    // The data endpoints: decode, let the core do the work, encode.
    auto data = [this](const char* path, auto work) {
      http.Post(path, [this, work](const httplib::Request& req, httplib::Response& res) {
        authed(req, res,
               [&](Session& s, const Json& body) { return work(*s.db, *s.rights, body); });
      });
    };
    data(wire::path::kOpen, [](db::Connection& db, Rights& rights, const Json& body) {
      return wire::toJson(openStatement(db, rights, wire::fromJson<wire::StatementRequest>(body)));
    });
    data(wire::path::kExecute, [](db::Connection& db, Rights& rights, const Json& body) {
      return wire::toJson(
          executeStatement(db, rights, wire::fromJson<wire::StatementRequest>(body)));
    });
    data(wire::path::kApply, [](db::Connection& db, Rights& rights, const Json& body) {
      return wire::toJson(applyChanges(db, rights, wire::fromJson<wire::ApplyRequest>(body)));
    });
    data(wire::path::kUpdateBasData, [](db::Connection& db, Rights& rights, const Json& body) {
      return wire::toJson(
          updateBasData(db, rights, wire::fromJson<wire::UpdateBasDataRequest>(body)));
    });
    data(wire::path::kUpdateData, [](db::Connection& db, Rights& rights, const Json& body) {
      return wire::toJson(updateData(db, rights, wire::fromJson<wire::UpdateDataRequest>(body)));
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
  // The library's default also sets SO_REUSEPORT, which lets a second server start on a port
  // already served and take half of its requests. A busy port must refuse to bind instead.
  http.set_socket_options([](socket_t sock) {
    int yes = 1;
#ifdef _WIN32
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
               sizeof yes);
#else
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
  });
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
