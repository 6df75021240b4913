// The client's one connection to the application server: server reachability, login, the
// providers' open/execute/apply, and the document-writing server methods. Every call is
// synchronous; every failure is a DataError with a text for the user.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "client/data/server_reply.h"
#include "protocol/wire.h"

namespace qk::client {

// Text of the error raised when a server method is called before the connection is opened.
inline const char* const kConnectionNil = "连接尚未打开，请先连接应用服务器。";

class Connection {
 public:
  // baseUrl: "http://host:port" or "https://host:port"
  explicit Connection(QString baseUrl);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const QString& url() const { return url_; }
  void setUrl(const QString& url);
  // For https: the PEM file of the authority that signed the server's certificate; empty for
  // the system's trusted authorities. The certificate is verified either way.
  void setCaFile(const QString& path);

  // Checks that the server answers; throws DataError naming the address when it does not.
  void open();
  void close();
  bool isOpen() const { return open_; }

  // A connection of its own in this one's session, for a worker thread: its requests never share
  // this one's socket (the server runs one session's requests one after another). It renews
  // no session and reports no busy state.
  std::unique_ptr<Connection> sibling() const;

  // "OK" (the session token is kept for every later call) or the server's reason.
  QString login(const QString& account, const QString& user, const QString& password);
  // What the server asked the last successful login to be told once (a failed backup); or empty.
  const QString& loginNotice() const { return loginNotice_; }
  void logout();

  protocol::RecordSet openQuery(const QString& provider, const QString& sql,
                                const protocol::Params& params);
  protocol::ExecResult execute(const QString& provider, const QString& sql,
                               const protocol::Params& params);
  protocol::ApplyReply apply(const QString& provider, const QString& sql,
                             const protocol::Delta& delta, int maxErrors);
  ServerReply updateBasData(const protocol::Delta& delta, const QString& table, const QString& key1,
                            const QString& key2);
  ServerReply updateData(const protocol::Delta& deltaA, const QString& tableA, const QString& keyA1,
                         const QString& keyA2, const protocol::Delta& deltaB, const QString& tableB,
                         const QString& keyB1, const QString& keyB2);
  QString echoString(const QString& value);

  // Called with true before and false after every request, so the program can show a busy
  // cursor while it waits (this layer knows no widgets).
  std::function<void(bool busy)> onBusy;

  // Called when the server no longer knows the session (restarted, or the session idled out)
  // on any call but login and logout; returns true when a new session was opened, and the call
  // is then sent once more with the new token. Otherwise, or while the hook is already running
  // (one renewal at a time), the call fails with the server's text and code "session".
  std::function<bool()> onSessionLost;
  bool renewingSession() const { return renewing_; }

  // Number of requests sent, for tests that check a check happened without a server call.
  int requestCount() const { return requests_; }

 private:
  struct Answer;  // HTTP status and JSON body of one request
  protocol::Json post(const char* path, const protocol::Json& body);
  // Sends a request, renewing a lost session once; a failure the server reports is thrown.
  // With `recordSet` a plain record set is decoded straight from the text.
  Answer exchange(const char* path, const protocol::Json& body, bool recordSet);
  Answer send(const char* path, const std::string& body, bool recordSet);
  bool renewSession(const char* path, const Answer& answer);
  void requireOpen() const;

  struct Impl;
  std::unique_ptr<Impl> impl_;
  QString url_;
  QString loginNotice_;
  QString caFile_;
  bool open_ = false;
  bool renewing_ = false;
  int requests_ = 0;
};

}  // namespace qk::client
