# Writes the page's files into a C++ source:
#   cmake -DOUTPUT=<file.cpp> -DPAGE=<folder> -DNAMES=<a.html,b.js,...> -P embed_page.cmake
# Each file becomes a byte array and an entry of the table find_page_asset()
# searches.
string(REPLACE "," ";" names "${NAMES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(name ${names})
  set(file "${PAGE}/${name}")
  get_filename_component(extension "${file}" LAST_EXT)
  if(extension STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(extension STREQUAL ".svg")
    set(type "image/svg+xml")
  else()
    message(FATAL_ERROR "no content type for ${file}")
  endif()
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "constexpr char kFile${index}[] = {${bytes}'\\0'};\n")
  string(APPEND entries "    {\"/${name}\", \"${type}\", {kFile${index}, ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Generated from live/page/ by embed_page.cmake: do not edit.
#include \"live/page_assets.h\"

namespace tevrak::sim::view {
namespace {

${arrays}
constexpr PageAsset kAssets[] = {
${entries}};

}  // namespace

const PageAsset *find_page_asset(std::string_view path) {
    if (path == \"/\") path = \"/index.html\";
    for (const PageAsset &asset : kAssets) {
        if (asset.path == path) return &asset;
    }
    return nullptr;
}

}  // namespace tevrak::sim::view
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
