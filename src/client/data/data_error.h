// The one exception type of the client's data layer: its text is what the user reads, shown by
// the application-wide handler; its code (protocol::code) is what callers decide on.
#pragma once

#include <QString>
#include <stdexcept>

namespace qk::client {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const QString& text, QString code = QStringLiteral("error"))
      : std::runtime_error(text.toStdString()), text_(text), code_(std::move(code)) {}
  const QString& text() const { return text_; }
  const QString& code() const { return code_; }

 private:
  QString text_;
  QString code_;
};

// Thrown by validation hooks and checks that have already told the user why: the framework
// stops the operation without showing anything more.
class Abort : public std::exception {
 public:
  const char* what() const noexcept override { return "operation abandoned"; }
};

}  // namespace qk::client
