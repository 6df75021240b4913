// The application-wide handler: every failure not handled where it happened is shown to the user
// as a plain message with the exception's text, and the program carries on. Abort is silent: it
// means the user has already been told.
#pragma once

#include <exception>
#include <functional>

namespace qk::client {

void showException(const std::exception& e);

// Runs an action of the user interface under the handler. Returns false when it failed.
bool guarded(const std::function<void()>& action);

// A signal handler that runs under the handler: connect(b, &B::clicked, this, guardedSlot(...)).
template <typename Fn>
auto guardedSlot(Fn fn) {
  return [fn]() { guarded(fn); };
}

}  // namespace qk::client
