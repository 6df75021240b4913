// The application server's HTTP/JSON front: a table of POST endpoints, bearer-token sessions,
// request logging with timings. It never lets an exception cross into the transport: every
// failure becomes {"error": ...} (or a login reason) with a readable text.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace qk::server {

inline constexpr std::size_t kDefaultMaxBodyBytes = 80u << 20;

struct ServerOptions {
  std::filesystem::path dataDir;
  std::chrono::seconds idleLimit = std::chrono::minutes(30);
  // How often a session's record in the database is checked and marked seen, so that a logout
  // on another server ends this server's copy within that time.
  std::chrono::seconds sessionRecheck = std::chrono::minutes(1);
  int threads = 8;            // workers for queries and logins; idle connections need none
  int writeThreads = 2;       // workers for saves, which take their database's writer turn anyway
  int ioThreads = 2;          // threads running the network reads and writes
  int freeLoginFailures = 5;  // failures before attempts are refused
  std::chrono::seconds firstLockout{30};  // doubled for every further failure
  // Failed logins of one user per minute from addresses it never logged in from.
  int unknownAddressFailuresPerMinute = 10;
  std::size_t throttleKeys = 10000;  // failure counters remembered at most
  int sessionsPerUser = 30;
  int sessionsTotal = 500;
  std::FILE* log = stderr;  // request log; null: none
  // How long an idle keep-alive connection is held.
  std::chrono::seconds keepAliveTimeout{5};
  // A request's header and body must arrive within these, however slowly it trickles in.
  std::chrono::seconds headerTimeout{10};
  std::chrono::seconds bodyTimeout{30};
  std::size_t maxBodyBytes = kDefaultMaxBodyBytes;  // also for chunked bodies
  std::size_t maxHeaderBytes = 16u << 10;
  int maxConnections = 800;  // beyond it new connections are closed at once
  int backlog = 256;
  // Both set: the server speaks HTTPS only.
  std::filesystem::path tlsCert, tlsKey;
  // Asked at an administrator's login for a text he must read once (a scheduled backup failed);
  // empty, or no function: nothing to tell.
  std::function<std::string()> adminNotice;
};

class ApiServer {
 public:
  explicit ApiServer(ServerOptions options);
  ~ApiServer();
  ApiServer(const ApiServer&) = delete;
  ApiServer& operator=(const ApiServer&) = delete;

  // Binds the listening socket; port 0 picks a free port. Returns the port; throws on failure.
  int bind(const std::string& host, int port);
  // Serves until stop() is called (from another thread or a signal handler's thread).
  void run();
  void stop();
  std::size_t sessionCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qk::server
