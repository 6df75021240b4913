// Registers the administration screens with the main window's actions.
#pragma once

namespace qk::client {

void registerAdminScreens();

}  // namespace qk::client
