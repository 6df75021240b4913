#include "support/test_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string_view>

#include "server/core/account_store.h"
#include "server/db/pg_connection.h"

namespace qk::test {

namespace fs = std::filesystem;

ProgramRun runProgram(const std::string& program, const std::string& args, const fs::path& dir) {
  const fs::path out = dir / "output.txt";
  const int status = std::system((program + " " + args + " >'" + out.string() + "' 2>&1").c_str());
  std::stringstream text;
  text << std::ifstream(out).rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("qk-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

bool onPostgres() {
  static const bool postgres = [] {
    const char* backend = std::getenv("QK_TEST_BACKEND");
    return backend && std::string_view(backend) == "postgres";
  }();
  return postgres;
}

namespace {

// The test databases of this program on the cluster QK_TEST_PG: a template per kind of set,
// shared by the tests of one build of the program, and a database copied from it per set.
class PgTestDatabases {
 public:
  // Never destroyed: TempDirs held in statics may go after it at exit.
  static PgTestDatabases& instance() {
    static auto* databases = new PgTestDatabases;
    return *databases;
  }

  // A new database holding a freshly initialised set; returns its URL.
  std::string copyFor(const fs::path& dir, bool demo) {
    std::lock_guard lock(mutex_);
    const std::string tpl = templateDatabase(demo);
    const std::string name = create(" template " + tpl);
    const std::string url = urlOf(name);
    {
      // The client role is named after the database, so each copy needs its own.
      auto owner = db::openPostgres(url, model_);
      db::preparePostgresDatabase(*owner);
    }
    byDir_[dir] = name;
    return url;
  }

  // A new database, "create database NAME" followed by `options`; returns its name.
  std::string create(const std::string& options = "") {
    std::lock_guard lock(mutex_);
    const std::string name = uniqueName("qk_t_");
    admin().script("create database " + name + options);
    return name;
  }

  // Drops the database of an account set in dir, if there is one.
  void dropFor(const fs::path& dir) {
    std::lock_guard lock(mutex_);
    const auto it = byDir_.find(dir);
    if (it == byDir_.end()) return;
    const std::string name = it->second;
    byDir_.erase(it);
    drop(name);
  }

  void drop(const std::string& name) {
    std::lock_guard lock(mutex_);
    try {
      // FORCE ends connections a stopped server or a test left behind.
      admin().script("drop database if exists " + name + " with (force)");
      admin().script("drop role if exists qk_client_" + name);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "cannot drop test database " << name << ": " << e.what();
    }
  }

  std::string urlOf(const std::string& database) const { return postgresUrlOf(url_, database); }

 private:
  PgTestDatabases() : model_(server::schemaModel()) {
    const char* url = std::getenv("QK_TEST_PG");
    url_ = url ? url : "";
  }

  static std::string uniqueName(const std::string& prefix) {
    static std::random_device random;
    return prefix + std::to_string(::getpid()) + "_" + std::to_string(random()) +
           std::to_string(random());
  }

  // The template of this build of the program: other test processes of it find it made. Made
  // under an advisory lock and renamed into place once whole, so none sees a half-made one.
  std::string templateDatabase(bool demo) {
    std::string& name = templates_[demo ? 1 : 0];
    if (!name.empty()) return name;
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    const auto size = ec ? 0 : fs::file_size(exe, ec);
    const auto time = ec ? 0 : fs::last_write_time(exe, ec).time_since_epoch().count();
    const auto build = std::hash<std::string>{}(exe.string() + "|" + std::to_string(size) + "|" +
                                                std::to_string(time));
    const std::string wanted =
        "qk_tpl_" + std::to_string(build % 1000000000000ULL) + (demo ? "_demo" : "_plain");
    admin().query("select pg_advisory_lock(74519)");
    try {
      const auto found =
          admin().query("select 1 from pg_database where datname = :n", {{"n", wanted}});
      if (found.rows.empty()) {
        const std::string building = uniqueName("qk_tpl_new_");
        admin().script("create database " + building);
        {
          TempDir recorded;
          server::AccountStore(recorded.path())
              .createPostgres("template", urlOf(building), kAdminPassword, demo);
        }
        // The connection that filled it may still be ending on the server's side.
        for (int attempt = 0;; ++attempt) {
          try {
            admin().script("alter database " + building + " rename to " + wanted);
            break;
          } catch (const db::DbError&) {
            if (attempt == 100) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          }
        }
      }
    } catch (...) {
      admin().query("select pg_advisory_unlock(74519)");
      throw;
    }
    admin().query("select pg_advisory_unlock(74519)");
    name = wanted;
    return name;
  }

  db::Connection& admin() {
    if (!admin_) admin_ = db::openPostgres(url_, model_);
    return *admin_;
  }

  std::recursive_mutex mutex_;  // a template's own TempDir asks for a drop while held
  std::shared_ptr<const db::SchemaModel> model_;
  std::string url_;
  std::unique_ptr<db::Connection> admin_;
  std::string templates_[2];
  std::map<fs::path, std::string> byDir_;
};

// Without a cluster to run on, a run meant for PostgreSQL skips all of its tests.
class PostgresRequired : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* url = std::getenv("QK_TEST_PG");
    if (onPostgres() && (!url || !*url))
      GTEST_SKIP() << "QK_TEST_PG is not set: start a cluster with scripts/pg-cluster.sh";
  }
};

[[maybe_unused]] ::testing::Environment* const kPostgresRequired =
    ::testing::AddGlobalTestEnvironment(new PostgresRequired);

}  // namespace

std::string postgresUrlOf(const std::string& clusterUrl, const std::string& database) {
  std::string url = clusterUrl;
  const auto at = url.find("/postgres");
  if (at == std::string::npos) throw std::runtime_error("QK_TEST_PG must name database postgres");
  return url.replace(at, 9, "/" + database);
}

bool havePostgresCluster() {
  const char* url = std::getenv("QK_TEST_PG");
  return url && *url;
}

ScratchPgDatabase::ScratchPgDatabase()
    : name_(PgTestDatabases::instance().create()), url_(PgTestDatabases::instance().urlOf(name_)) {}

ScratchPgDatabase::~ScratchPgDatabase() {
  PgTestDatabases::instance().drop(name_);
}

TempDir::~TempDir() {
  if (onPostgres()) PgTestDatabases::instance().dropFor(path_);
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void installTestAccount(const fs::path& dir, bool demo) {
  server::AccountStore target(dir);
  if (onPostgres()) {
    const std::string url = PgTestDatabases::instance().copyFor(dir, demo);
    std::ofstream(target.postgresFileFor(kAccount)) << url << "\n";
    return;
  }
  static std::mutex mutex;
  static std::unique_ptr<TempDir> templates;
  std::lock_guard lock(mutex);
  if (!templates) templates = std::make_unique<TempDir>();
  const std::string name = demo ? "demo" : "plain";
  server::AccountStore store(templates->path());
  if (!store.exists(name)) store.create(name, kAdminPassword, demo);
  fs::copy_file(store.fileFor(name), target.fileFor(kAccount));
}

struct ApiClient::Impl {
  explicit Impl(int port) : http("127.0.0.1", port) {
    http.set_read_timeout(60, 0);
    http.set_keep_alive(true);
    http.set_tcp_nodelay(true);
  }
  httplib::Client http;
};

ApiClient::ApiClient(int port) : impl_(std::make_unique<Impl>(port)) {}
ApiClient::~ApiClient() = default;

HttpReply ApiClient::post(const std::string& path, const Json& body, bool withToken) {
  httplib::Headers headers;
  if (withToken && !token.empty()) headers.emplace("Authorization", "Bearer " + token);
  auto res = impl_->http.Post(path, headers, body.dump(), "application/json");
  if (!res) return {0, Json::object()};
  Json reply = Json::parse(res->body, nullptr, false);
  // A reply cut off mid-way is reported as no reply at all.
  if (!reply.is_object()) return {0, Json::object()};
  return {res->status, std::move(reply)};
}

HttpReply ApiClient::get(const std::string& path) {
  auto res = impl_->http.Get(path);
  if (!res) return {0, Json::object()};
  Json reply = Json::parse(res->body, nullptr, false);
  if (!reply.is_object()) return {0, Json::object()};
  return {res->status, std::move(reply)};
}

std::string ApiClient::login(const std::string& user, const std::string& password,
                             const std::string& account) {
  auto r = post(protocol::path::kLogin,
                {{"account", account}, {"user", user}, {"password", password}}, false);
  const std::string result = r.body.value("result", std::string("<no result>"));
  if (result == "OK") token = r.body.value("token", "");
  return result;
}

Json ApiClient::call(const std::string& path, const Json& body) {
  auto r = post(path, body);
  EXPECT_EQ(r.status, 200) << path << " " << r.body.dump();
  EXPECT_FALSE(protocol::errorOf(r.body)) << path << " " << r.body.dump();
  return r.body;
}

protocol::RecordSet ApiClient::open(const std::string& sql, const Json& params,
                                    const std::string& provider) {
  // Read as the desktop client reads a record set: straight from the text.
  httplib::Headers headers;
  if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
  const Json body{{"provider", provider}, {"sql", sql}, {"params", params}};
  auto res = impl_->http.Post(protocol::path::kOpen, headers, body.dump(), "application/json");
  if (res && res->status == 200)
    if (auto records = protocol::parseRecordSet(res->body)) return std::move(*records);
  Json reply = res ? Json::parse(res->body, nullptr, false) : Json();
  EXPECT_TRUE(res && res->status == 200) << sql << " " << reply.dump();
  EXPECT_FALSE(protocol::errorOf(reply)) << sql << " " << reply.dump();
  if (!reply.is_object() || protocol::errorOf(reply)) return {};
  return protocol::fromJson<protocol::RecordSet>(reply);
}

protocol::ExecResult ApiClient::execute(const std::string& sql, const Json& params) {
  Json reply =
      call(protocol::path::kExecute, {{"provider", "pubDSP"}, {"sql", sql}, {"params", params}});
  if (protocol::errorOf(reply)) return {};
  return protocol::fromJson<protocol::ExecResult>(reply);
}

void ApiClient::addUser(const std::string& name, const std::string& password) {
  const Json row = {{"userId", name}, {"userName", name}, {"pwd", ""}};
  call(protocol::path::kApply, {{"provider", "userDSP"},
                                {"sql", ""},
                                {"delta", {{"rows", {{{"op", "insert"}, {"new", row}}}}}},
                                {"maxErrors", 0}});
  execute("exec sp_setPassword :u, '', :p", {{"u", name}, {"p", password}});
}

std::string ApiClient::errorOf(const std::string& path, const Json& body) {
  auto r = post(path, body);
  auto e = protocol::errorOf(r.body);
  EXPECT_TRUE(e) << path << " should have failed: " << r.body.dump();
  return e.value_or("");
}

Json receiptDocument(const std::string& keyNo, int lines, const std::string& productNo) {
  Json detail = Json::array();
  for (int i = 1; i <= lines; ++i)
    detail.push_back({{"op", "insert"},
                      {"new",
                       {{"keyNo", keyNo},
                        {"itemNo", i},
                        {"productNo", productNo},
                        {"qty", i},
                        {"uPrice", 3.5},
                        {"pName", "闸阀"},
                        {"pSize", "DN50"},
                        {"remark", "批量"}}}});
  return {{"deltaA",
           {{"rows",
             {{{"op", "insert"},
               {"new",
                {{"keyNo", keyNo},
                 {"whNo", "01"},
                 {"docType", "生产入库"},
                 {"inDate", "2026-12-06 00:00:00"},
                 {"userName", "admin"}}}}}}}},
          {"tableA", "wh_In"},
          {"keyA1", "keyNo"},
          {"keyA2", ""},
          {"deltaB", {{"rows", detail}}},
          {"tableB", "wh_in_det"},
          {"keyB1", "keyNo"},
          {"keyB2", "itemNo"}};
}

Json queryPageRequest(const std::string& source, const std::string& fields, const std::string& key,
                      const std::string& where, const std::string& order, int size, int index,
                      std::int64_t knownTotal) {
  return {{"provider", "selectDSP"},
          {"sql",
           "execute sp_query_page :@TableName, :@FieldList, :@primaryKey,:@Where,:@Order,"
           ":@RecorderCount,:@PageSize,:@PageIndex ,:@TotalCount output ,:@TotalPageCount output"},
          {"params",
           {{"@TableName", source},
            {"@FieldList", fields},
            {"@primaryKey", key},
            {"@Where", where},
            {"@Order", order},
            {"@RecorderCount", knownTotal},
            {"@PageSize", size},
            {"@PageIndex", index},
            {"@TotalCount", 0},
            {"@TotalPageCount", 0}}}};
}

RawSocket::RawSocket(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  timeval tv{5, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

RawSocket::~RawSocket() {
  ::close(fd_);
}

bool RawSocket::send(std::string_view data) {
  while (!data.empty()) {
    const auto n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string RawSocket::receive() {
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::recv(fd_, buf, sizeof buf, 0)) > 0;) out.append(buf, n);
  return out;
}

bool RawSocket::closedByServer() {
  char c;
  return ::recv(fd_, &c, 1, MSG_DONTWAIT) == 0;
}

void ServerTest::SetUp() {
  options_.dataDir = dir_.path();
  options_.log = nullptr;
  options_.keepAliveTimeout = std::chrono::seconds(1);  // clients left open must not slow stops
  installTestAccount(dir_.path(), demoData());
  startServer();
}

void ServerTest::TearDown() {
  stopServer();
}

RunningServer::RunningServer(const server::ServerOptions& options, int port)
    : server_(std::make_unique<server::ApiServer>(options)) {
  port_ = server_->bind("127.0.0.1", port);
  thread_ = std::thread([this] { server_->run(); });
  // Wait until the server answers, so callers never race its start.
  const bool tls = !options.tlsCert.empty();
  httplib::Client probe((tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_));
  probe.enable_server_certificate_verification(false);
  for (int i = 0; i < 500; ++i) {
    if (auto res = probe.Get(protocol::path::kHealth); res && res->status == 200) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("the test server did not start");
}

RunningServer::~RunningServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void ServerTest::startServer() {
  server_ = std::make_unique<RunningServer>(options_);
  port_ = server_->port();
}

void ServerTest::stopServer() {
  server_.reset();
}

void ServerTest::restartServer(Sessions sessions) {
  stopServer();
  if (const server::AccountStore store(dir_.path());
      sessions == Sessions::Forgotten && store.exists(kAccount))
    store.open(kAccount)->execute("DELETE FROM qk_session");
  server_ = std::make_unique<RunningServer>(options_, port_);
}

int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(s);
  return ntohs(addr.sin_port);
}

bool waitForHealth(int port) {
  httplib::Client probe("127.0.0.1", port);
  for (int i = 0; i < 1000; ++i) {
    if (auto res = probe.Get(protocol::path::kHealth); res && res->status == 200) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  kill();
}

void ChildProcess::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

LoggedInServer startLoggedIn(const std::filesystem::path& dataDir) {
  server::ServerOptions options;
  options.dataDir = dataDir;
  options.log = nullptr;
  LoggedInServer s;
  s.running = std::make_unique<RunningServer>(options);
  s.client = std::make_unique<ApiClient>(s.running->port());
  s.client->login();
  return s;
}

}  // namespace qk::test
