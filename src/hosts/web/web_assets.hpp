// The page's files, built into the program (web_assets.cpp is generated from
// src/hosts/web/page/ by embed_assets.cmake), so that the page works with
// no other file and no network beyond the station's.
#pragma once

#include <string_view>

namespace tovrak::web {

struct Asset {
  std::string_view path;  // "/index.html"
  std::string_view type;  // "text/html; charset=utf-8"
  std::string_view body;
};

// The file served at `path` ("/" is the page itself); nullptr for any other.
const Asset* find_asset(std::string_view path);

}  // namespace tovrak::web
