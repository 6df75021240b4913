#include "client/data/connection.h"

#include <httplib.h>

#include <QUrl>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "client/data/data_error.h"
#include "client/data/values.h"

namespace qk::client {

using protocol::Json;

struct Connection::Impl {
  std::unique_ptr<httplib::Client> http;
  std::string token;
};

struct Connection::Answer {
  int status = 0;
  Json body;
  std::optional<protocol::RecordSet> records;  // a record set read straight from the text
};

namespace {

// Why a request got no answer, in the user's words.
QString transportFailure(httplib::Error error) {
  switch (error) {
    case httplib::Error::Connection:
      return "无法建立连接，请确认应用服务器已启动、地址和端口正确";
    case httplib::Error::ConnectionTimeout:
      return "连接超时，应用服务器没有响应";
    case httplib::Error::Read:
      return "读取应答时连接中断或超时";
    case httplib::Error::Write:
      return "发送请求时连接中断";
    case httplib::Error::BindIPAddress:
      return "无法使用本机的网络地址";
    case httplib::Error::Canceled:
      return "请求已取消";
    case httplib::Error::SSLServerVerification:
      return "服务器证书验证失败：证书不可信、已过期或与服务器地址不符。使用自建证书时，请在 "
             "qk.ini 的 [server] 节以 cafile 指定签发它的 CA 文件";
    case httplib::Error::SSLLoadingCerts:
      return "无法读取用于验证服务器证书的 CA 文件";
    case httplib::Error::SSLConnection:
      return "无法建立加密连接（服务器可能没有启用 HTTPS）";
    case httplib::Error::Compression:
      return "应答的压缩数据无法解开";
    default:
      return QString("网络错误（%1）").arg(static_cast<int>(error));
  }
}

}  // namespace

Connection::Connection(QString baseUrl) : impl_(std::make_unique<Impl>()) {
  setUrl(baseUrl);
}
Connection::~Connection() = default;

void Connection::setUrl(const QString& url) {
  url_ = url;
  while (url_.endsWith('/')) url_.chop(1);
  const QUrl parsed(url_);
  if (!parsed.isValid() || parsed.host().isEmpty() ||
      (parsed.scheme() != "http" && parsed.scheme() != "https"))
    throw DataError(QString("应用服务器地址无效：%1（应为 http://主机:端口）").arg(url));
  impl_->http = std::make_unique<httplib::Client>(url_.toStdString());
  // The server's certificate is always checked: against the named authority, else the system's.
  impl_->http->enable_server_certificate_verification(true);
  if (!caFile_.isEmpty()) impl_->http->set_ca_cert_path(caFile_.toStdString());
  impl_->http->set_keep_alive(true);
  impl_->http->set_tcp_nodelay(true);
  impl_->http->set_connection_timeout(5, 0);
  impl_->http->set_read_timeout(300, 0);
  impl_->http->set_write_timeout(60, 0);
  open_ = false;
}

void Connection::setCaFile(const QString& path) {
  caFile_ = path;
  setUrl(url_);
}

void Connection::open() {
  ++requests_;
  auto res = impl_->http->Get(protocol::path::kHealth);
  if (!res)
    throw DataError(
        QString("无法连接到应用服务器 %1：%2").arg(url_, transportFailure(res.error())));
  if (res->status != 200)
    throw DataError(QString("应用服务器 %1 没有正常应答（HTTP %2）").arg(url_).arg(res->status));
  open_ = true;
}

std::unique_ptr<Connection> Connection::sibling() const {
  auto c = std::make_unique<Connection>(url_);
  if (!caFile_.isEmpty()) c->setCaFile(caFile_);
  c->impl_->token = impl_->token;
  c->open_ = open_;
  return c;
}

void Connection::close() {
  open_ = false;
  impl_->token.clear();
}

void Connection::requireOpen() const {
  if (!open_) throw DataError(kConnectionNil);
}

namespace {
// Tells the program that a request is under way for exactly as long as it lasts.
class BusyScope {
 public:
  explicit BusyScope(const std::function<void(bool)>& fn) : fn_(fn) {
    if (fn_) fn_(true);
  }
  ~BusyScope() {
    if (fn_) fn_(false);
  }

 private:
  const std::function<void(bool)>& fn_;
};
}  // namespace

Connection::Answer Connection::send(const char* path, const std::string& body, bool recordSet) {
  ++requests_;
  BusyScope busy(onBusy);
  httplib::Headers headers;
  if (!impl_->token.empty()) headers.emplace("Authorization", "Bearer " + impl_->token);
  auto res = impl_->http->Post(path, headers, body, "application/json");
  // A kept-alive connection the server closed while idle fails on writing. The server never had
  // the request whole, so nothing of it was done: it goes once more, on a new connection.
  if (!res && res.error() == httplib::Error::Write)
    res = impl_->http->Post(path, headers, body, "application/json");
  if (!res)
    throw DataError(
        QString("与应用服务器 %1 的连接中断：%2").arg(url_, transportFailure(res.error())));
  // The reply is decoded under the same limits as requests on the server.
  if (recordSet && res->status == 200)
    if (auto records = protocol::parseRecordSet(res->body))
      return {res->status, Json(), std::move(records)};
  Json reply;
  try {
    reply = protocol::parseBody(res->body);
  } catch (const protocol::WireError&) {
    reply = nullptr;
  }
  if (!reply.is_object())
    throw DataError(QString("应用服务器的应答无法识别（HTTP %1）").arg(res->status));
  return {res->status, std::move(reply), std::nullopt};
}

bool Connection::renewSession(const char* path, const Answer& answer) {
  if (answer.status != 401 || !onSessionLost || renewing_) return false;
  // Logging in again only to log out, or to answer a failed login, would make no sense.
  if (std::string_view(path) == protocol::path::kLogin ||
      std::string_view(path) == protocol::path::kLogout)
    return false;
  const auto error = protocol::errorReplyOf(answer.body);
  if (!error || error->code != protocol::code::kSession) return false;
  renewing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{renewing_};
  return onSessionLost();
}

Connection::Answer Connection::exchange(const char* path, const Json& body, bool recordSet) {
  requireOpen();
  const std::string text = protocol::dump(body);
  Answer answer = send(path, text, recordSet);
  // A 401 means the server did nothing with the request, so sending it again is safe.
  if (renewSession(path, answer)) answer = send(path, text, recordSet);
  if (auto error = protocol::errorReplyOf(answer.body))
    throw DataError(qs(error->error), qs(error->code));
  if (answer.status != 200)
    throw DataError(QString("应用服务器返回错误（HTTP %1）").arg(answer.status));
  return answer;
}

Json Connection::post(const char* path, const Json& body) {
  return std::move(exchange(path, body, false).body);
}

QString Connection::login(const QString& account, const QString& user, const QString& password) {
  Json reply = post(protocol::path::kLogin,
                    protocol::toJson(protocol::LoginRequest{ss(account), ss(user), ss(password)}));
  try {
    auto r = protocol::fromJson<protocol::LoginReply>(reply);
    if (r.result == "OK") impl_->token = r.token;
    loginNotice_ = r.result == "OK" ? qs(r.notice) : QString();
    return qs(r.result);
  } catch (const protocol::WireError& e) {
    throw DataError(QString("应用服务器的应答无法识别：%1").arg(e.what()));
  }
}

void Connection::logout() {
  if (!open_ || impl_->token.empty()) return;
  post(protocol::path::kLogout, Json::object());
  impl_->token.clear();
}

namespace {
template <typename T>
T decode(const Json& j) {
  try {
    return protocol::fromJson<T>(j);
  } catch (const protocol::WireError& e) {
    throw DataError(QString("应用服务器的应答无法识别：%1").arg(e.what()));
  }
}

ServerReply replyOf(const protocol::TextReply& r) {
  return {qs(r.result), qs(r.code), qs(r.table)};
}
}  // namespace

protocol::RecordSet Connection::openQuery(const QString& provider, const QString& sql,
                                          const protocol::Params& params) {
  Answer answer =
      exchange(protocol::path::kOpen,
               protocol::toJson(protocol::StatementRequest{ss(provider), ss(sql), params}), true);
  if (answer.records) return std::move(*answer.records);
  return decode<protocol::RecordSet>(answer.body);
}

protocol::ExecResult Connection::execute(const QString& provider, const QString& sql,
                                         const protocol::Params& params) {
  return decode<protocol::ExecResult>(
      post(protocol::path::kExecute,
           protocol::toJson(protocol::StatementRequest{ss(provider), ss(sql), params})));
}

protocol::ApplyReply Connection::apply(const QString& provider, const QString& sql,
                                       const protocol::Delta& delta, int maxErrors) {
  return decode<protocol::ApplyReply>(
      post(protocol::path::kApply,
           protocol::toJson(protocol::ApplyRequest{ss(provider), ss(sql), delta, maxErrors})));
}

ServerReply Connection::updateBasData(const protocol::Delta& delta, const QString& table,
                                      const QString& key1, const QString& key2) {
  return replyOf(decode<protocol::TextReply>(post(
      protocol::path::kUpdateBasData,
      protocol::toJson(protocol::UpdateBasDataRequest{delta, ss(table), ss(key1), ss(key2)}))));
}

ServerReply Connection::updateData(const protocol::Delta& deltaA, const QString& tableA,
                                   const QString& keyA1, const QString& keyA2,
                                   const protocol::Delta& deltaB, const QString& tableB,
                                   const QString& keyB1, const QString& keyB2) {
  return replyOf(decode<protocol::TextReply>(post(
      protocol::path::kUpdateData,
      protocol::toJson(protocol::UpdateDataRequest{deltaA, ss(tableA), ss(keyA1), ss(keyA2), deltaB,
                                                   ss(tableB), ss(keyB1), ss(keyB2)}))));
}

QString Connection::echoString(const QString& value) {
  Json reply = post(protocol::path::kEchoString, Json{{"value", ss(value)}});
  return qs(reply.value("result", std::string()));
}

}  // namespace qk::client
