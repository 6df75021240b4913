// A desktop for tests: records every dialog a screen shows (its class and title), every file
// question and every file handed to the shell, and answers each dialog with the handler the
// test registered for its type. A dialog nobody expected fails the test and is rejected.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "client/widgets/desktop.h"

namespace qk::test {

class ScriptedDesktop : public client::Desktop {
 public:
  struct Shown {
    QString className;  // e.g. "qk::client::TfilterForm"
    QString title;
  };

  // Answers every dialog of type D (or derived from it) from now on; the newest handler of a
  // matching type wins. The handler returns the dialog's result (QDialog::Accepted, …).
  template <class D>
  void on(std::function<int(D&)> handler) {
    handlers_.insert(handlers_.begin(), [handler](QDialog& d) -> std::optional<int> {
      if (auto* typed = dynamic_cast<D*>(&d)) return handler(*typed);
      return std::nullopt;
    });
  }
  // Forgets every handler (a test that wants its own answers for the fixture's types).
  void clearHandlers() { handlers_.clear(); }

  int exec(QDialog& dialog) override {
    shown.push_back({dialog.metaObject()->className(), dialog.windowTitle()});
    for (const auto& handler : std::vector(handlers_))
      if (const std::optional<int> result = handler(dialog)) return *result;
    ADD_FAILURE() << "unexpected dialog " << dialog.metaObject()->className() << " \""
                  << dialog.windowTitle().toStdString() << "\"";
    return QDialog::Rejected;
  }

  QString saveFileName(QWidget*, const QString& caption, const QString& suggested,
                       const QString&) override {
    suggested_ << suggested;
    return answerFile(caption);
  }
  QString openFileName(QWidget*, const QString& caption, const QString& folder,
                       const QString&) override {
    suggested_ << folder;
    return answerFile(caption);
  }
  bool openFile(const QString& path) override {
    opened << path;
    return openSucceeds;
  }

  // Answers to file questions in order (empty: the user cancels).
  std::deque<QString> files;
  // What each file question offered before the user chose (a file name or a folder).
  const QStringList& suggested() const { return suggested_; }
  // False: no program on this desktop opens the files handed to it.
  bool openSucceeds = true;
  std::vector<Shown> shown;
  QStringList opened;  // files handed to the desktop's "open"

  QStringList titles() const {
    QStringList out;
    for (const Shown& s : shown) out << s.title;
    return out;
  }
  int count(const char* className) const {
    int n = 0;
    for (const Shown& s : shown) n += s.className == className;
    return n;
  }

 private:
  QString answerFile(const QString& caption) {
    shown.push_back({"QFileDialog", caption});
    if (files.empty()) {
      ADD_FAILURE() << "unexpected file question \"" << caption.toStdString() << "\"";
      return {};
    }
    QString answer = files.front();
    files.pop_front();
    return answer;
  }

  std::vector<std::function<std::optional<int>(QDialog&)>> handlers_;
  QStringList suggested_;
};

}  // namespace qk::test
