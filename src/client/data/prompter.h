// Every message box, confirmation, choice and input box of the client goes through this one
// interface, so that tests can answer them and read their exact texts.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qk::client {

class Prompter {
 public:
  enum class Icon { None, Information, Warning, Stop, Question };
  virtual ~Prompter() = default;

  virtual void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) = 0;
  // Yes/no question; true for yes.
  virtual bool confirm(const QString& text, const QString& title = {}) = 0;
  // A choice among buttons; returns the index of the button pressed (-1 when dismissed).
  virtual int choose(const QString& text, const QStringList& buttons, Icon icon = Icon::Warning,
                     const QString& title = {}) = 0;
  // An input box; nothing when cancelled.
  virtual std::optional<QString> input(const QString& title, const QString& prompt,
                                       const QString& value = {}) = 0;
};

// The program-wide prompter (message boxes in the program, a scripted one in tests).
Prompter& prompter();
void setPrompter(Prompter* p);

}  // namespace qk::client
