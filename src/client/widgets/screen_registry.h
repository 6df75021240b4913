// Which screen an action of the main window opens. Screens register a factory here (below the
// application layer, so screen libraries need not know the main window); the main window asks.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace qk::client {

// A screen opened by an action: created afresh for each opening, shown modally, destroyed after;
// null when the user cancelled a question the factory asked first (the task of process cards).
using ScreenFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;
// Registers (or, with an empty factory, removes) the screen of an action.
void registerScreen(const QString& actionName, ScreenFactory factory);
const ScreenFactory* findScreen(const QString& actionName);

// Registers a screen class constructed from its parent alone.
template <class Form>
void registerForm(const QString& actionName) {
  registerScreen(actionName, [](QWidget* parent) -> std::unique_ptr<QDialog> {
    return std::make_unique<Form>(parent);
  });
}

}  // namespace qk::client
