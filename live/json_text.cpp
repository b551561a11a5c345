#include "live/json_text.h"

#include <cmath>
#include <cstdio>

namespace tevrak::sim::view {

void append_json_string(std::string &out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void append_whole(std::string &out, double value) {
    out += std::to_string(std::isfinite(value) ? std::lround(value) : 0L);
}

void append_tenths(std::string &out, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::isfinite(value) ? value : 0.0);
    out += text;
}

}  // namespace tevrak::sim::view
