// The program's prompter: real message boxes and input boxes with Chinese button texts.
#pragma once

#include "client/data/prompter.h"

class QWidget;

namespace qk::client {

class MessagePrompter : public Prompter {
 public:
  explicit MessagePrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) override;
  bool confirm(const QString& text, const QString& title = {}) override;
  int choose(const QString& text, const QStringList& buttons, Icon icon = Icon::Warning,
             const QString& title = {}) override;
  std::optional<QString> input(const QString& title, const QString& prompt,
                               const QString& value = {}) override;

 private:
  QWidget* parent_;
};

}  // namespace qk::client
