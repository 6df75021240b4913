#include "server/http/http_transport.h"

#include <atomic>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "protocol/wire.h"

namespace qk::server {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using ErrorCode = beast::error_code;

namespace {

using Handler = HttpTransport::Handler;
using LaneOf = HttpTransport::LaneOf;
using Refused = HttpTransport::Refused;

struct Transport {
  Transport(const ServerOptions& o, Handler h, LaneOf l, Refused r)
      : options(o),
        handler(std::move(h)),
        lane(std::move(l)),
        refused(std::move(r)),
        queryWorkers(static_cast<std::size_t>(std::max(1, o.threads))),
        writeWorkers(static_cast<std::size_t>(std::max(1, o.writeThreads))) {
    if (!options.tlsCert.empty() || !options.tlsKey.empty()) {
      tls.emplace(net::ssl::context::tls_server);
      tls->set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                       net::ssl::context::no_sslv3 | net::ssl::context::no_tlsv1 |
                       net::ssl::context::no_tlsv1_1);
      try {
        tls->use_certificate_chain_file(options.tlsCert.string());
        tls->use_private_key_file(options.tlsKey.string(), net::ssl::context::pem);
      } catch (const boost::system::system_error& e) {
        throw std::runtime_error("无法使用 TLS 证书 " + options.tlsCert.string() + " 或私钥 " +
                                 options.tlsKey.string() + ": " + e.what());
      }
    }
  }

  ServerOptions options;
  Handler handler;
  LaneOf lane;
  Refused refused;
  // Connections left in the stopped io_context die with it and still use these two.
  std::atomic<int> openConnections{0};
  std::optional<net::ssl::context> tls;
  net::io_context ioc;
  tcp::acceptor acceptor{ioc};
  net::steady_timer acceptPause{ioc};
  net::thread_pool queryWorkers, writeWorkers;

  void accept();
};

// Counts a connection as open for exactly as long as its object lives.
class OpenCount {
 public:
  explicit OpenCount(std::atomic<int>& n) : n_(n) { ++n_; }
  ~OpenCount() { --n_; }
  OpenCount(const OpenCount&) = delete;
  OpenCount& operator=(const OpenCount&) = delete;

 private:
  std::atomic<int>& n_;
};

// One client connection: reads a request, lets the dispatcher answer it, writes the answer and
// waits for the next one. Every step is asynchronous on the connection's strand.
template <typename Stream>
class HttpConnection : public std::enable_shared_from_this<HttpConnection<Stream>> {
 public:
  template <typename... Args>
  HttpConnection(Transport& t, std::string remote, Args&&... args)
      : t_(t),
        count_(t.openConnections),
        stream_(std::forward<Args>(args)...),
        remote_(std::move(remote)) {}

  void start() {
    if constexpr (kTls) {
      lowest().expires_after(t_.options.headerTimeout);
      stream_.async_handshake(net::ssl::stream_base::server,
                              [self = this->shared_from_this()](ErrorCode ec) {
                                if (ec) return self->close();
                                self->readHeader();
                              });
    } else {
      readHeader();
    }
  }

 private:
  static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

  beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

  // Between requests only the keep-alive timeout runs; the header timeout starts at its first byte.
  void waitForNextRequest() {
    if (buffer_.size() > 0) return readHeader();
    lowest().expires_after(t_.options.keepAliveTimeout);
    stream_.async_read_some(buffer_.prepare(4096),
                            [self = this->shared_from_this()](ErrorCode ec, std::size_t n) {
                              if (ec) return self->close();
                              self->buffer_.commit(n);
                              self->readHeader();
                            });
  }

  void readHeader() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(t_.options.maxHeaderBytes));
    parser_->body_limit(t_.options.maxBodyBytes);
    lowest().expires_after(t_.options.headerTimeout);
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = this->shared_from_this()](ErrorCode ec, std::size_t) { self->onHeader(ec); });
  }

  void onHeader(ErrorCode ec) {
    if (ec == http::error::header_limit) return refuse(431, "请求头太大");
    if (ec == http::error::body_limit) return tooLarge();
    if (ec == beast::error::timeout || ec == http::error::end_of_stream || ec == net::error::eof ||
        ec == net::error::connection_reset || ec == net::error::operation_aborted)
      return close();
    if (ec) return refuse(400, "请求格式错误");
    auto& req = parser_->get();
    const auto encoding = req[http::field::content_encoding];
    // A compressed body is refused unread: inflating it could grow without any bound we set.
    if (!encoding.empty() && !beast::iequals(encoding, "identity"))
      return refuse(
          415, "不支持压缩的请求（Content-Encoding: " + std::string(encoding.substr(0, 40)) + "）");
    if (beast::iequals(req[http::field::expect], "100-continue")) {
      auto cont = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                     req.version());
      lowest().expires_after(t_.options.bodyTimeout);
      http::async_write(stream_, *cont,
                        [self = this->shared_from_this(), cont](ErrorCode ec, std::size_t) {
                          if (ec) return self->close();
                          self->readBody();
                        });
      return;
    }
    readBody();
  }

  void readBody() {
    lowest().expires_after(t_.options.bodyTimeout);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = this->shared_from_this()](ErrorCode ec, std::size_t) { self->onBody(ec); });
  }

  void onBody(ErrorCode ec) {
    if (ec == http::error::body_limit) return tooLarge();
    if (ec) return close();
    auto& req = parser_->get();
    HttpRequest r;
    r.method = std::string(req.method_string());
    const auto target = req.target();
    r.path = std::string(target.substr(0, target.find('?')));
    r.authorization = std::string(req[http::field::authorization]);
    r.body = std::move(req.body());
    r.remoteAddress = remote_;
    const bool keepAlive = req.keep_alive();
    version_ = req.version();
    parser_.reset();
    lowest().expires_never();  // the database's time is not the client's
    const Lane lane = t_.lane(r);
    if (lane == Lane::Inline) return respond(t_.handler(r), keepAlive);
    auto& pool = lane == Lane::Write ? t_.writeWorkers : t_.queryWorkers;
    net::post(pool, [self = this->shared_from_this(), r = std::move(r), keepAlive] {
      HttpResponse answer;
      try {
        answer = self->t_.handler(r);
      } catch (const std::exception& e) {
        // The dispatcher maps every failure itself; this only keeps a worker alive.
        answer = {500, protocol::errorBody(std::string("服务器内部错误: ") + e.what(),
                                           protocol::code::kInternal)};
      }
      net::post(self->stream_.get_executor(),
                [self, answer = std::move(answer), keepAlive]() mutable {
                  self->respond(std::move(answer), keepAlive);
                });
    });
  }

  void tooLarge() {
    refuse(413, "请求太大（上限 " + std::to_string(t_.options.maxBodyBytes >> 20) + " MB）");
  }

  // Answers a request that never reached the dispatcher, and closes: its body was not read.
  void refuse(int status, const std::string& text) {
    HttpRequest r;
    if (parser_ && parser_->is_header_done()) {
      r.method = std::string(parser_->get().method_string());
      r.path = std::string(parser_->get().target().substr(0, 200));
      version_ = parser_->get().version();
    }
    r.remoteAddress = remote_;
    if (t_.refused) t_.refused(r, status);
    parser_.reset();
    refusing_ = true;
    respond({status, protocol::errorBody(text, protocol::code::kBadRequest)}, false);
  }

  void respond(HttpResponse answer, bool keepAlive) {
    res_ = {};
    res_.version(version_);
    res_.result(static_cast<unsigned>(answer.status));
    if (!answer.body.empty())
      res_.set(http::field::content_type,
               answer.contentType.empty() ? "application/json; charset=utf-8" : answer.contentType);
    for (const auto& [name, value] : answer.headers) res_.set(name, value);
    res_.keep_alive(keepAlive);
    res_.body() = std::move(answer.body);
    res_.prepare_payload();
    // A client that does not read its answer is dropped like one that does not send.
    lowest().expires_after(t_.options.bodyTimeout);
    http::async_write(stream_, res_,
                      [self = this->shared_from_this(), keepAlive](ErrorCode ec, std::size_t) {
                        if (!ec && self->refusing_) return self->lingerThenClose();
                        if (ec || !keepAlive) return self->close();
                        self->waitForNextRequest();
                      });
  }

  // The client may still be sending the body we refused; closing with it unread would reset
  // the connection and could destroy our answer before the client reads it. Read and discard
  // for a moment first.
  void lingerThenClose() {
    ErrorCode ignored;
    lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
    lowest().expires_after(std::chrono::seconds(2));
    discard();
  }

  void discard() {
    buffer_.clear();
    stream_.async_read_some(buffer_.prepare(65536),
                            [self = this->shared_from_this()](ErrorCode ec, std::size_t) {
                              if (ec) return self->close();
                              self->discard();
                            });
  }

  void close() {
    ErrorCode ignored;
    lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
    lowest().close();
  }

  Transport& t_;
  OpenCount count_;
  Stream stream_;
  std::string remote_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> res_;
  unsigned version_ = 11;
  bool refusing_ = false;
};

void Transport::accept() {
  acceptor.async_accept(net::make_strand(ioc), [this](ErrorCode ec, tcp::socket socket) {
    if (!acceptor.is_open()) return;
    if (ec) {
      // Out of descriptors and the like: pause instead of spinning, then accept again.
      acceptPause.expires_after(std::chrono::milliseconds(50));
      acceptPause.async_wait([this](ErrorCode) { accept(); });
      return;
    }
    // Beyond the cap a new connection is closed at once; those already open are not starved.
    if (openConnections.load() >= options.maxConnections) {
      ErrorCode ignored;
      socket.close(ignored);
    } else {
      socket.set_option(tcp::no_delay(true), ec);
      std::string remote;
      if (auto endpoint = socket.remote_endpoint(ec); !ec) remote = endpoint.address().to_string();
      if (tls)
        std::make_shared<HttpConnection<beast::ssl_stream<beast::tcp_stream>>>(
            *this, std::move(remote), std::move(socket), *tls)
            ->start();
      else
        std::make_shared<HttpConnection<beast::tcp_stream>>(*this, std::move(remote),
                                                            std::move(socket))
            ->start();
    }
    accept();
  });
}

}  // namespace

struct HttpTransport::Impl : Transport {
  using Transport::Transport;
};

HttpTransport::HttpTransport(const ServerOptions& options, Handler handler, LaneOf lane,
                             Refused refused)
    : impl_(std::make_unique<Impl>(options, std::move(handler), std::move(lane),
                                   std::move(refused))) {}

HttpTransport::~HttpTransport() {
  stop();
  impl_->queryWorkers.join();
  impl_->writeWorkers.join();
}

int HttpTransport::bind(const std::string& host, int port) {
  auto fail = [&] {
    return std::runtime_error("无法监听 " + host + ":" + std::to_string(port) +
                              "（端口被占用或地址无效）");
  };
  ErrorCode ec;
  tcp::resolver resolver(impl_->ioc);
  auto endpoints = resolver.resolve(host, std::to_string(port),
                                    tcp::resolver::passive | tcp::resolver::numeric_service, ec);
  if (ec || endpoints.empty()) throw fail();
  const tcp::endpoint endpoint = *endpoints.begin();
  auto& acceptor = impl_->acceptor;
  // SO_REUSEADDR only, never SO_REUSEPORT: a second server on a served port must fail to bind.
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(std::max(128, impl_->options.backlog), ec);
  if (ec) {
    acceptor.close(ec);
    throw fail();
  }
  return acceptor.local_endpoint().port();
}

void HttpTransport::run() {
  impl_->accept();
  std::vector<std::thread> threads;
  for (int i = 1; i < impl_->options.ioThreads; ++i)
    threads.emplace_back([this] { impl_->ioc.run(); });
  impl_->ioc.run();
  for (auto& t : threads) t.join();
  ErrorCode ignored;
  impl_->acceptor.close(ignored);
  impl_->queryWorkers.join();
  impl_->writeWorkers.join();
}

void HttpTransport::stop() {
  impl_->ioc.stop();
}

}  // namespace qk::server
