// Registers the screens that exist with the main window's actions.
#pragma once

namespace qk::client {

void registerStandardScreens();

}  // namespace qk::client
