// The page's files, built into the program from live/page/.
#pragma once

#include <string_view>

namespace tevrak::sim::view {

struct PageAsset {
    std::string_view path;  // "/index.html", "/view.js", ...
    std::string_view content_type;
    std::string_view body;
};

// The file served at path ("/" is "/index.html"); nullptr for any other path.
const PageAsset *find_page_asset(std::string_view path);

}  // namespace tevrak::sim::view
