// The application server's HTTP/JSON front: one POST endpoint per operation, bearer-token
// sessions, request logging with timings. It never lets an exception cross into the HTTP
// library: every failure becomes {"error": ...} (or a login reason) with a readable text.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace qk::server {

struct ServerOptions {
  std::filesystem::path dataDir;
  std::chrono::seconds idleLimit = std::chrono::minutes(30);
  int threads = 32;
  int freeLoginFailures = 5;              // failures before attempts are refused
  std::chrono::seconds firstLockout{30};  // doubled for every further failure
  std::FILE* log = stderr;                // request log; null: none
  // How long an idle keep-alive connection is held; stopping the server waits for them.
  std::chrono::seconds keepAliveTimeout{5};
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
