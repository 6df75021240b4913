#include "server/http/api_server.h"

#include <condition_variable>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"
#include "server/core/account_store.h"
#include "server/core/authentication.h"
#include "server/core/data_requests.h"
#include "server/core/rights_map.h"
#include "server/core/session_records.h"
#include "server/http/http_transport.h"
#include "server/http/login_throttle.h"
#include "server/http/session_store.h"
#include "server/procedures/registry.h"
#include "server/shop/shop_files.h"
#include "server/shop/shop_floor.h"

namespace qk::server {

// The longest text a body may hold (a drawing as base64) fits, with the request around it.
static_assert(kDefaultMaxBodyBytes >= protocol::kMaxJsonString + (1u << 20));

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

// A field of a log line: control characters and backslashes escaped, so that no text a client
// sends can start a line of its own, and cut after `max` bytes.
std::string logField(std::string_view s, std::size_t max = 200) {
  std::string out;
  for (unsigned char c : s.substr(0, max)) {
    if (c < 0x20 || c == 0x7f || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (s.size() > max) out += "...";
  return out;
}

// What a route's handler gets: the request, its decoded body and, for routes that need one,
// the session the bearer token selected (locked for the request's duration).
constexpr std::size_t kLargeReply = std::size_t{8} << 20;

struct Call {
  const HttpRequest& http;
  Json body;
  Session* session = nullptr;
  std::string who;
};

// What a handler answers: a document, or a reply already encoded (a record set goes straight from
// its rows to text).
struct Body {
  Body(Json j) : json(std::move(j)) {}
  explicit Body(std::string encoded) : text(std::move(encoded)), isText(true) {}
  Json json;
  std::string text;
  bool isText = false;
};

struct Route {
  const char* path;
  const char* method;
  bool needsSession;
  std::function<Body(Call&)> handle;
  Lane lane = Lane::Query;
  bool shop = false;  // its session is a shop-floor sign-in, never a desktop login
};

}  // namespace

struct ApiServer::Impl {
  explicit Impl(ServerOptions o)
      : options(std::move(o)),
        accounts(options.dataDir),
        sessions(options.idleLimit, options.sessionsPerUser, options.sessionsTotal),
        throttle({options.freeLoginFailures, options.firstLockout,
                  options.unknownAddressFailuresPerMinute, options.throttleKeys}),
        shopSessions(options.idleLimit, options.sessionsPerUser, options.sessionsTotal),
        shopThrottle({options.freeLoginFailures, options.firstLockout,
                      options.unknownAddressFailuresPerMinute, options.throttleKeys}),
        routes(routeTable()),
        transport(
            options, [this](const HttpRequest& r) { return dispatch(r); },
            [this](const HttpRequest& r) { return laneOf(r); },
            [this](const HttpRequest& r, int status) { log(r, status, 0, "-"); }) {}

  ServerOptions options;
  AccountStore accounts;
  SessionStore sessions;
  LoginThrottle throttle;
  // Shop-floor sign-ins live apart, so their tokens never open the desktop's SQL endpoints.
  SessionStore shopSessions;
  LoginThrottle shopThrottle;
  std::mutex logMutex;
  std::vector<Route> routes;

  std::thread sweeper;
  std::mutex sweepMutex;
  std::condition_variable sweepWake;
  bool stopping = false;
  // Last, so that it stops (and its workers finish) before anything they use goes.
  HttpTransport transport;

  void log(const HttpRequest& req, int status, double ms, const std::string& who) {
    if (!options.log) return;
    std::lock_guard lock(logMutex);
    std::fprintf(options.log, "%s %s %s %d %.2fms %s\n", timestamp().c_str(),
                 logField(req.method, 16).c_str(), logField(req.path).c_str(), status, ms,
                 logField(who).c_str());
    std::fflush(options.log);
  }

  // A line of its own for what the server noticed beside a request.
  void note(const std::string& text) {
    if (!options.log) return;
    std::lock_guard lock(logMutex);
    std::fprintf(options.log, "%s %s\n", timestamp().c_str(), logField(text, 400).c_str());
    std::fflush(options.log);
  }

  static HttpResponse reply(int status, const Json& body) { return {status, wire::dump(body)}; }
  static HttpResponse reply(int status, Body body) {
    return body.isText ? HttpResponse{status, std::move(body.text)} : reply(status, body.json);
  }

  // Runs a handler with the error mapping every endpoint shares.
  HttpResponse guarded(Call& call, const std::function<Body(Call&)>& fn) {
    const auto start = Clock::now();
    auto failed = [&](int status, std::string text, const char* code, std::string table = {}) {
      return reply(status, wire::toJson(wire::ErrorReply{std::move(text), code, std::move(table)}));
    };
    HttpResponse res;
    try {
      res = reply(200, fn(call));
    } catch (const wire::WireError& e) {
      res = failed(400, std::string("请求格式错误: ") + e.what(), wire::code::kBadRequest);
    } catch (const db::DbError& e) {
      res = failed(200, e.what(), errorCode(e.kind()), e.table());
    } catch (const std::invalid_argument& e) {
      res = failed(200, e.what(), wire::code::kError);
    } catch (const std::exception& e) {
      res = failed(500, std::string("服务器内部错误: ") + e.what(), wire::code::kInternal);
    }
    log(call.http, res.status,
        std::chrono::duration<double, std::milli>(Clock::now() - start).count(), call.who);
    // The decoded rows behind a large reply are gone by now.
    if (res.body.size() > kLargeReply) db::releaseFreedMemory();
    return res;
  }

  std::vector<Route>::const_iterator find(const HttpRequest& req) const {
    return std::find_if(routes.begin(), routes.end(), [&](const Route& r) {
      return req.path == r.path && req.method == r.method;
    });
  }

  Lane laneOf(const HttpRequest& req) const {
    auto route = find(req);
    return route == routes.end() ? Lane::Inline : route->lane;
  }

  HttpResponse dispatch(const HttpRequest& req) {
    auto route = find(req);
    if (route == routes.end()) {
      HttpResponse page = shopPage(req);
      log(req, page.status, 0, "-");
      return page;
    }
    Call call{req, Json(), nullptr, "-"};
    if (!route->needsSession) return guarded(call, route->handle);
    // The bearer token selects the session; its mutex serialises the requests that share its
    // connection.
    const std::string prefix = "Bearer ";
    std::shared_ptr<Session> session;
    if (req.authorization.size() > prefix.size() && req.authorization.starts_with(prefix)) {
      const std::string token = req.authorization.substr(prefix.size());
      session = (route->shop ? shopSessions : sessions).find(token);
      if (!session && !route->shop) session = adopt(token);
    }
    if (session && !route->shop && !stillRecorded(*session)) session = nullptr;
    if (!session) {
      log(req, 401, 0, "-");
      return reply(401, wire::toJson(wire::ErrorReply{
                            "未登录或会话已过期，请重新登录", wire::code::kSession, {}}));
    }
    call.who = session->user + "@" + session->account;
    return guarded(call, [&](Call& c) {
      c.body = wire::parseBody(req.body);
      std::lock_guard lock(session->mutex);
      c.session = session.get();
      return route->handle(c);
    });
  }

  // A token this server does not hold may be a session another server began (or this one before
  // a restart): its record in the account set's database lets this server carry it on, with a
  // connection of its own. Temporary results stay with the other server's connection; the
  // client's next query makes them again.
  std::shared_ptr<Session> adopt(const std::string& token) {
    const auto account = tokenAccount(token);
    if (!account) return nullptr;
    try {
      if (!accounts.exists(*account)) return nullptr;
      auto db = accounts.open(*account);
      const auto user = SessionRecords(*db, options.idleLimit).take(token);
      if (!user) return nullptr;
      auto rights = std::make_unique<Rights>(*db, *user);
      std::string full;
      auto session = sessions.create(*account, *user, std::move(db), full, token);
      if (!session) return nullptr;
      session->rights = std::move(rights);
      return session;
    } catch (const std::exception& e) {
      note(std::string("session record unreadable: ") + e.what());
      return nullptr;
    }
  }

  // Whether the session's record still stands, checked at most once a recheck time: a logout or an
  // expiry on another server ends this server's copy too. Marks the record seen.
  bool stillRecorded(Session& session) {
    std::lock_guard lock(session.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (now - session.lastRecorded < options.sessionRecheck) return true;
    try {
      if (!SessionRecords(*session.db, options.idleLimit).touch(session.token)) {
        sessions.remove(session.token);
        return false;
      }
      session.lastRecorded = now;
    } catch (const std::exception& e) {
      // A busy database must not log the user out; the next request tries again.
      note(std::string("session record not updated: ") + e.what());
    }
    return true;
  }

  Json login(Call& call) {
    auto r = wire::fromJson<wire::LoginRequest>(wire::parseBody(call.http.body));
    call.who = r.user + "@" + r.account;
    const std::string user = rtrim(r.user);
    if (r.account.empty()) return wire::toJson(wire::LoginReply{"账套不能为空", "", ""});
    if (user.empty()) return wire::toJson(wire::LoginReply{"用户名不能为空", "", ""});
    const std::string& address = call.http.remoteAddress;
    if (long wait = throttle.waitSeconds(r.account, user, address))
      return wire::toJson(
          wire::LoginReply{"登录失败次数过多，请 " + std::to_string(wait) + " 秒后再试", "", ""});
    auto refuse = [&](std::string reason) {
      throttle.failed(r.account, user, address);
      return wire::toJson(wire::LoginReply{std::move(reason), "", ""});
    };
    if (!accounts.exists(r.account)) return refuse("账套“" + r.account + "”不存在");
    auto db = accounts.open(r.account);
    // Failures are also counted in the account set's database, across all its servers.
    SharedLoginFailures shared(*db, options.freeLoginFailures, options.firstLockout);
    if (long wait = shared.waitSeconds(user, address))
      return wire::toJson(
          wire::LoginReply{"登录失败次数过多，请 " + std::to_string(wait) + " 秒后再试", "", ""});
    if (std::string why = loginRefusal(*db, user, r.password); !why.empty()) {
      shared.failed(user, address);
      return refuse(why);
    }
    throttle.succeeded(r.account, user, address);
    shared.succeeded(user, address);
    auto rights = std::make_unique<Rights>(*db, user);
    const bool administrator = rights->holds(kUserAdminAction);
    SessionRecords records(*db, options.idleLimit);
    records.forgetIdle();
    std::string full;
    auto session =
        sessions.create(r.account, r.user, std::move(db), full, newSessionToken(r.account));
    if (!session) return wire::toJson(wire::LoginReply{full, "", ""});
    try {
      records.record(session->token, user, address);
    } catch (...) {
      sessions.remove(session->token);
      throw;
    }
    session->rights = std::move(rights);
    wire::LoginReply reply{"OK", session->token, ""};
    if (administrator && options.adminNotice) reply.notice = options.adminNotice();
    return wire::toJson(reply);
  }

  // The shop-floor page's files; anything else is not found.
  static HttpResponse shopPage(const HttpRequest& req) {
    if (req.method != "GET") return {404, {}};
    if (req.path == "/shop") return {308, {}, {}, {{"Location", "/shop/"}}};
    auto file = findShopFile(req.path);
    if (!file) return {404, {}};
    HttpResponse res{200, std::string(file->body), std::string(file->contentType), {}};
    res.headers = {{"X-Content-Type-Options", "nosniff"},
                   {"Referrer-Policy", "no-referrer"},
                   {"Cache-Control", file->immutable ? "max-age=31536000, immutable" : "no-cache"},
                   {"Content-Security-Policy",
                    "default-src 'self'; img-src 'self' data: blob:; media-src 'self' blob:; "
                    "style-src 'self'; frame-ancestors 'none'"}};
    return res;
  }

  // A worker's sign-in on the shop-floor page: staff number and PIN, throttled as logins are.
  Json shopLogin(Call& call) {
    const Json body = wire::parseBody(call.http.body);
    auto text = [&](const char* name) {
      auto it = body.find(name);
      if (it == body.end() || !it->is_string())
        throw wire::WireError(std::string("\"") + name + "\" must be text");
      return it->get<std::string>();
    };
    const std::string account = text("account"), staffNo = rtrim(text("staffNo")),
                      pin = text("pin");
    call.who = "shop:" + staffNo + "@" + account;
    if (account.empty() || staffNo.empty()) return Json{{"result", "请输入账套和工号"}};
    const std::string& address = call.http.remoteAddress;
    if (long wait = shopThrottle.waitSeconds(account, staffNo, address))
      return Json{{"result", "尝试次数过多，请 " + std::to_string(wait) + " 秒后再试"}};
    auto refuse = [&](std::string reason) {
      shopThrottle.failed(account, staffNo, address);
      return Json{{"result", std::move(reason)}};
    };
    if (!accounts.exists(account)) return refuse("账套“" + account + "”不存在");
    auto db = accounts.open(account);
    if (std::string why = pinRefusal(*db, staffNo, pin); !why.empty()) return refuse(why);
    shopThrottle.succeeded(account, staffNo, address);
    const std::string name = staffName(*db, staffNo);
    std::string full;
    auto session = shopSessions.create(account, staffNo, std::move(db), full);
    if (!session) return Json{{"result", full}};
    return Json{{"result", "OK"}, {"token", session->token}, {"staffName", name}};
  }

  // The shop-floor page's endpoints: a fixed question each, never SQL from the phone.
  std::vector<Route> shopRoutes() {
    auto shop = [](const char* path, auto work, Lane lane = Lane::Query) {
      return Route{
          path, "POST",
          true, [work](Call& c) { return Body(work(*c.session->db, c.session->user, c.body)); },
          lane, true};
    };
    using Db = db::Connection;
    return {
        {"/api/shop/login", "POST", false, [this](Call& c) { return Body(shopLogin(c)); }},
        {"/api/shop/logout", "POST", true,
         [this](Call& c) {
           shopSessions.remove(c.session->token);
           return Body(Json{{"result", "OK"}});
         },
         Lane::Query, true},
        shop("/api/shop/task",
             [](Db& db, const std::string& who, const Json& body) {
               auto it = body.find("taskNo");
               if (it == body.end() || !it->is_string())
                 throw wire::WireError("\"taskNo\" must be text");
               return shopTaskLine(db, who, it->get<std::string>());
             }),
        shop("/api/shop/choices",
             [](Db& db, const std::string&, const Json&) { return shopChoices(db); }),
        shop(
            "/api/shop/record",
            [](Db& db, const std::string& who, const Json& body) {
              return shopAddRecord(db, who, body);
            },
            Lane::Write),
        shop(
            "/api/shop/undo",
            [](Db& db, const std::string& who, const Json&) { return shopUndoLast(db, who); },
            Lane::Write),
    };
  }

  // The endpoints. Data endpoints decode, let the core do the work on the session's connection,
  // and encode.
  std::vector<Route> routeTable() {
    auto data = [](const char* path, auto work, Lane lane = Lane::Query) {
      return Route{path, "POST", true,
                   [work](Call& c) { return work(*c.session->db, *c.session->rights, c.body); },
                   lane};
    };
    std::vector<Route> table{
        {wire::path::kHealth, "GET", false,
         [](Call&) {
           return Json{{"status", "ok"}};
         }},
        {wire::path::kLogin, "POST", false, [this](Call& c) { return login(c); }},
        {wire::path::kLogout, "POST", true,
         [this](Call& c) {
           SessionRecords(*c.session->db, options.idleLimit).forget(c.session->token);
           sessions.remove(c.session->token);
           return Json{{"result", "OK"}};
         }},
        data(wire::path::kOpen,
             [](db::Connection& db, Rights& rights, const Json& body) {
               return Body(wire::encode(
                   openStatement(db, rights, wire::fromJson<wire::StatementRequest>(body))));
             }),
        data(wire::path::kExecute,
             [](db::Connection& db, Rights& rights, const Json& body) {
               return wire::toJson(
                   executeStatement(db, rights, wire::fromJson<wire::StatementRequest>(body)));
             }),
        data(
            wire::path::kApply,
            [](db::Connection& db, Rights& rights, const Json& body) {
              return wire::toJson(
                  applyChanges(db, rights, wire::fromJson<wire::ApplyRequest>(body)));
            },
            Lane::Write),
        data(
            wire::path::kUpdateBasData,
            [](db::Connection& db, Rights& rights, const Json& body) {
              return wire::toJson(
                  updateBasData(db, rights, wire::fromJson<wire::UpdateBasDataRequest>(body)));
            },
            Lane::Write),
        data(
            wire::path::kUpdateData,
            [](db::Connection& db, Rights& rights, const Json& body) {
              return wire::toJson(
                  updateData(db, rights, wire::fromJson<wire::UpdateDataRequest>(body)));
            },
            Lane::Write),
        {wire::path::kEchoString, "POST", true,
         [](Call& c) {
           auto it = c.body.find("value");
           if (it == c.body.end() || !it->is_string())
             throw wire::WireError("EchoString: \"value\" must be text");
           return Json{{"result", it->get<std::string>()}};
         }},
    };
    for (Route& r : shopRoutes()) table.push_back(std::move(r));
    return table;
  }
};

ApiServer::ApiServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
  registerAllProcedures();
  registerStaffPinProcedure();
}

ApiServer::~ApiServer() {
  stop();
}

int ApiServer::bind(const std::string& host, int port) {
  return impl_->transport.bind(host, port);
}

void ApiServer::run() {
  impl_->sweeper = std::thread([this] {
    std::unique_lock lock(impl_->sweepMutex);
    while (!impl_->stopping) {
      impl_->sweepWake.wait_for(lock, std::chrono::seconds(30));
      if (!impl_->stopping) impl_->sessions.expireIdle();
    }
  });
  impl_->transport.run();
  {
    std::lock_guard lock(impl_->sweepMutex);
    impl_->stopping = true;
  }
  impl_->sweepWake.notify_all();
  impl_->sweeper.join();
}

void ApiServer::stop() {
  impl_->transport.stop();
}

std::size_t ApiServer::sessionCount() const {
  return impl_->sessions.size();
}

}  // namespace qk::server
