#include "client/widgets/screen_registry.h"

#include <map>

namespace qk::client {

namespace {
std::map<QString, ScreenFactory>& screens() {
  static std::map<QString, ScreenFactory> map;
  return map;
}
}  // namespace

void registerScreen(const QString& actionName, ScreenFactory factory) {
  if (factory)
    screens()[actionName] = std::move(factory);
  else
    screens().erase(actionName);
}

const ScreenFactory* findScreen(const QString& actionName) {
  auto it = screens().find(actionName);
  return it == screens().end() ? nullptr : &it->second;
}

}  // namespace qk::client
