#include "client/widgets/error_handler.h"

#include "client/data/data_error.h"
#include "client/data/prompter.h"

namespace qk::client {

void showException(const std::exception& e) {
  if (auto* d = dynamic_cast<const DataError*>(&e)) {
    prompter().message(d->text());
  } else {
    prompter().message(QString::fromUtf8(e.what()));
  }
}

bool guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const Abort&) {
    return false;
  } catch (const std::exception& e) {
    showException(e);
    return false;
  }
}

}  // namespace qk::client
