// The one exception type of the client's data layer: its text is what the user reads, shown by
// the application-wide handler.
#pragma once

#include <QString>
#include <stdexcept>

namespace qk::client {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
  const QString& text() const { return text_; }

 private:
  QString text_;
};

// Thrown by validation hooks and checks that have already told the user why: the framework
// stops the operation without showing anything more.
class Abort : public std::exception {
 public:
  const char* what() const noexcept override { return "operation abandoned"; }
};

}  // namespace qk::client
