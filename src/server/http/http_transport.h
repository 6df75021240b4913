// The network side of the server: accepts connections (plain or TLS), reads each request within
// size and time limits, hands it to the dispatcher and writes the answer. A few I/O threads run
// every read and write asynchronously, so idle and slow connections hold no thread; dispatching
// runs on a bounded worker pool. It never parses JSON nor touches a database itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/http/api_server.h"

namespace qk::server {

struct HttpRequest {
  std::string method, path, authorization, body, remoteAddress;
};

struct HttpResponse {
  using Fields = std::vector<std::pair<std::string, std::string>>;
  HttpResponse() = default;
  HttpResponse(int s, std::string b, std::string type = {}, Fields h = {})
      : status(s), body(std::move(b)), contentType(std::move(type)), headers(std::move(h)) {}

  int status = 200;
  std::string body;  // JSON unless contentType says otherwise; an empty body has no type
  std::string contentType;
  Fields headers;  // further fields to send
};

// Where a request is answered: on the I/O thread (it needs nothing), or by one of two worker
// pools. Saves queue on their database's writer turn anyway, so they get a small pool of their
// own and cannot occupy every worker while queries wait behind them.
enum class Lane { Inline, Query, Write };

class HttpTransport {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;
  using LaneOf = std::function<Lane(const HttpRequest&)>;
  // Hears of requests refused before they reached the handler (too large, compressed, ...).
  using Refused = std::function<void(const HttpRequest&, int status)>;

  // Throws std::runtime_error when the TLS certificate or key cannot be used.
  HttpTransport(const ServerOptions& options, Handler handler, LaneOf lane, Refused refused);
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  int bind(const std::string& host, int port);
  void run();
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qk::server
