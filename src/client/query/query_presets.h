// The query screens of the main window: each preset opens the query dialog on one stored query
// with its caption, and the report centre opens it with every query in its tree. Also the
// detail of the undelivered orders (the whole order of the chosen line), which needs nothing
// but the query dialog itself.
#pragma once

namespace qk::client {

void registerQueryScreens();

}  // namespace qk::client
