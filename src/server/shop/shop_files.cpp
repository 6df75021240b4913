#include "server/shop/shop_files.h"

#include <optional>

namespace qk::server {

namespace {

std::string_view contentTypeOf(std::string_view name) {
  auto ends = [&](std::string_view s) { return name.ends_with(s); };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".js")) return "text/javascript; charset=utf-8";
  if (ends(".css")) return "text/css; charset=utf-8";
  if (ends(".svg")) return "image/svg+xml";
  if (ends(".png")) return "image/png";
  if (ends(".json") || ends(".webmanifest")) return "application/json; charset=utf-8";
  return "application/octet-stream";
}

}  // namespace

std::optional<ShopFile> findShopFile(std::string_view path) {
  constexpr std::string_view prefix = "/shop/";
  if (!path.starts_with(prefix)) return std::nullopt;
  std::string_view name = path.substr(prefix.size());
  if (name.empty()) name = "index.html";
  // Only the names the build embedded: nothing here reads a file, so no path can escape.
  for (const EmbeddedFile& f : shopFiles())
    if (f.name == name) return ShopFile{f.text, contentTypeOf(name), name.starts_with("assets/")};
  return std::nullopt;
}

}  // namespace qk::server
