// Small pieces of JSON text for the live page.
#pragma once

#include <string>
#include <string_view>

namespace tevrak::sim::view {

// Appends text as a JSON string, quotes included.
void append_json_string(std::string &out, std::string_view text);

// Appends a number rounded to whole units ("-12"), or to tenths ("3.5").
void append_whole(std::string &out, double value);
void append_tenths(std::string &out, double value);

}  // namespace tevrak::sim::view
