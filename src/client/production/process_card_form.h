// The process card: how one production task is machined, forged or heat-treated — a header with
// material, blank, fixture, machine and quantity, and the work steps with their parameters. A
// document-editor configuration limited to the cards of one task. The card's process type picks
// the header fields and the step columns shown; values of the hidden ones stay in the card.
//
// It never creates a card without a task, and never moves to a card of another task.
#pragma once

#include <QVariant>

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kCardTypeEmpty = "工艺类别不能为空!";
inline constexpr const char* kCardStepEmpty = "工步内容不能为空!";
inline constexpr const char* kCardNeedsTask = "请先选择生产任务，再新建工艺卡片!";

// The task whose cards a screen shows, and the quantity a new card starts with.
struct ProcessCardTask {
  QString taskNo;
  QVariant qty;
};

class Tbus_checkForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_checkForm(ProcessCardTask task, QWidget* parent = nullptr);

  const ProcessCardTask& task() const { return task_; }
  // Shows the header fields and step columns of a process type; another type changes nothing.
  void switchType(const QString& type);
  QString shownType() const { return shownType_; }
  // The stored values of a suggestion box, read again (as when the user enters it).
  void refillSuggestions(const QString& field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ProcessCardTask task_;
  QString shownType_;
};

// The cards of a task in their own modal screen (the flow cards open it for a task line).
void showProcessCards(QWidget* parent, const ProcessCardTask& task);

// The main window's bus_checkAction: a task chosen first, then its cards.
void registerProcessCardScreen();

}  // namespace qk::client
