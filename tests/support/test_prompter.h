// A prompter for tests: records every message with its icon and title, and answers questions
// from a queue the test fills (failing the test when a question comes unexpectedly).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "client/data/prompter.h"

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace qk::test {

class TestPrompter : public client::Prompter {
 public:
  struct Shown {
    QString text;
    Icon icon;
    QString title;
  };

  void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) override {
    shown.push_back({text, icon, title});
  }
  bool confirm(const QString& text, const QString& title = {}) override {
    shown.push_back({text, Icon::Question, title});
    return next(text).toInt() != 0;
  }
  int choose(const QString& text, const QStringList&, Icon icon = Icon::Warning,
             const QString& title = {}) override {
    shown.push_back({text, icon, title});
    return next(text).toInt();
  }
  std::optional<QString> input(const QString& title, const QString& prompt,
                               const QString& = {}) override {
    shown.push_back({prompt, Icon::None, title});
    QVariant v = next(prompt);
    if (!v.isValid()) return std::nullopt;
    return v.toString();
  }

  // Queued answers: confirm takes 1/0, choose a button index, input a text (invalid: cancel).
  std::deque<QVariant> answers;
  std::vector<Shown> shown;

  QStringList texts() const {
    QStringList out;
    for (const auto& s : shown) out << s.text;
    return out;
  }
  void clear() { shown.clear(); }

 private:
  QVariant next(const QString& question) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << question.toStdString();
      return {};
    }
    QVariant v = answers.front();
    answers.pop_front();
    return v;
  }
};

}  // namespace qk::test
