// A real qk-server on loopback over a temporary data directory, and a small JSON client for it.
// Server tests share this one fixture so that each runs against the real database and protocol.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"
#include "server/http/api_server.h"

namespace qk::test {

using protocol::Json;

inline constexpr const char* kAccount = "测试账套";
inline constexpr const char* kAdminPassword = "s3cret-安全";

// A temporary directory removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Whether account sets are put on PostgreSQL (QK_TEST_BACKEND=postgres, the cluster named by
// QK_TEST_PG) rather than in SQLite files. Tests about the SQLite file itself skip there:
//   if (onPostgres()) GTEST_SKIP() << "the reason";
bool onPostgres();

// Whether a PostgreSQL cluster to test against is given (QK_TEST_PG, see scripts/pg-cluster.sh).
bool havePostgresCluster();

// The cluster's URL (naming database postgres, as QK_TEST_PG does) for another of its databases.
std::string postgresUrlOf(const std::string& clusterUrl, const std::string& database);

// A new, empty database on that cluster, dropped with the object (connections ended first).
class ScratchPgDatabase {
 public:
  ScratchPgDatabase();
  ~ScratchPgDatabase();
  ScratchPgDatabase(const ScratchPgDatabase&) = delete;
  ScratchPgDatabase& operator=(const ScratchPgDatabase&) = delete;
  const std::string& name() const { return name_; }
  // A libpq URL to it, as the cluster's superuser.
  const std::string& url() const { return url_; }

 private:
  std::string name_;
  std::string url_;
};

// Copies a freshly initialised account set into dir under the name kAccount. The set is made
// once per test program (hashing the administrator's password is deliberately slow). On
// PostgreSQL the copy is a new database made from a template one; it is dropped with the
// TempDir of dir.
void installTestAccount(const std::filesystem::path& dir, bool demo = false);

// What a program printed (standard output and error together) and its exit code; -1 when it did
// not exit normally.
struct ProgramRun {
  int exitCode;
  std::string output;
};
// Runs `program args` through the shell, its output kept in a file of dir.
ProgramRun runProgram(const std::string& program, const std::string& args,
                      const std::filesystem::path& dir);

struct HttpReply {
  int status = 0;
  Json body;
};

class ApiClient {
 public:
  explicit ApiClient(int port);
  ~ApiClient();

  HttpReply post(const std::string& path, const Json& body, bool withToken = true);
  HttpReply get(const std::string& path);
  // Logs in and keeps the token; returns the server's result text.
  std::string login(const std::string& user = "admin", const std::string& password = kAdminPassword,
                    const std::string& account = kAccount);
  // A call that must succeed: fails the test on an HTTP error or an {"error"} reply.
  Json call(const std::string& path, const Json& body);
  // /api/open and /api/execute with the SQL text and parameters; pubDSP unless told otherwise.
  protocol::RecordSet open(const std::string& sql, const Json& params = Json::object(),
                           const std::string& provider = "pubDSP");
  protocol::ExecResult execute(const std::string& sql, const Json& params = Json::object());
  // Adds a user without rights through this administrator's session, as the user screen does: the
  // row by its change log, the password by the server's password method.
  void addUser(const std::string& name, const std::string& password);
  // The error text of a call expected to fail.
  std::string errorOf(const std::string& path, const Json& body);

  std::string token;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A warehouse receipt as the document editor saves it through UpdateData: its master row and
// `lines` detail lines.
Json receiptDocument(const std::string& keyNo, int lines,
                     const std::string& productNo = "PRDS000001");

// The paging procedure's statement and parameters, as every list, finder and picker sends them
// to /api/open.
Json queryPageRequest(const std::string& source, const std::string& fields, const std::string& key,
                      const std::string& where, const std::string& order, int size, int index,
                      std::int64_t knownTotal = 0);

// A raw TCP connection to a loopback port, for clients that misbehave in ways an HTTP library
// will not (dribbling bytes, oversized or compressed bodies).
class RawSocket {
 public:
  explicit RawSocket(int port);
  ~RawSocket();
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;
  bool connected() const { return connected_; }
  // False once the connection is broken.
  bool send(std::string_view data);
  // What the server sent until it closed or went quiet for five seconds.
  std::string receive();
  // True once the server has closed its side.
  bool closedByServer();

 private:
  int fd_;
  bool connected_ = false;
};

// A loopback port that was free when asked (a process started next normally gets it).
int freePort();
// Waits until a server on the loopback port answers its health check; false after ten seconds.
bool waitForHealth(int port);

// A program run as a child process until killed or the object goes (SIGKILL: nothing it does
// at exit is relied on, as when a machine loses power).
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  void kill();

 private:
  int pid_ = -1;
};

// An application server serving on a loopback port (0: a free one) until the object goes; the
// constructor returns once the server answers.
class RunningServer {
 public:
  explicit RunningServer(const server::ServerOptions& options, int port = 0);
  ~RunningServer();
  RunningServer(const RunningServer&) = delete;
  RunningServer& operator=(const RunningServer&) = delete;
  int port() const { return port_; }

 private:
  std::unique_ptr<server::ApiServer> server_;
  std::thread thread_;
  int port_ = 0;
};

// A server over a data directory, without a request log, and the administrator logged in to it:
// how the benchmarks time work through the server. Reset the client before the end: an idle
// keep-alive connection would hold up the server's stop.
struct LoggedInServer {
  std::unique_ptr<RunningServer> running;
  std::unique_ptr<ApiClient> client;
};
LoggedInServer startLoggedIn(const std::filesystem::path& dataDir);

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Options may be changed by a test before calling startServer() itself.
  virtual bool demoData() const { return false; }
  void startServer();
  void stopServer();
  // Stops the server and starts a new one on the same port over the same data directory. The
  // sessions' records go too, unless kept: to clients, every session is gone.
  enum class Sessions { Forgotten, Kept };
  void restartServer(Sessions sessions = Sessions::Forgotten);
  std::unique_ptr<ApiClient> newClient() const { return std::make_unique<ApiClient>(port_); }

  TempDir dir_;
  server::ServerOptions options_;
  int port_ = 0;

 private:
  std::unique_ptr<RunningServer> server_;
};

}  // namespace qk::test
