// The shop-floor page's files (web/shop/dist), compiled into the server and served under /shop/.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "server/schema/embedded.h"

namespace qk::server {

// Names are relative to the page's folder: "index.html", "assets/index-1a2b.js".
const std::vector<EmbeddedFile>& shopFiles();

struct ShopFile {
  std::string_view body;
  std::string_view contentType;
  bool immutable = false;  // a name with its content's hash: cached for good
};

// The file a GET of `path` (under /shop/) answers with; "/shop/" is the page itself.
std::optional<ShopFile> findShopFile(std::string_view path);

}  // namespace qk::server
