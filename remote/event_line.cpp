#include "remote/event_line.h"

#include <array>
#include <cstdio>

namespace tevrak::rcin {
namespace {

// The two digits at the repeat offset read as hexadecimal; 0 when they are
// no number.
int repeat_count(std::string_view line) {
    std::array<char, 3> digits{line[kRepeatOffset], line[kRepeatOffset + 1], '\0'};
    unsigned count = 0;
    if (std::sscanf(digits.data(), "%x", &count) != 1) return 0;
    return static_cast<int>(count);
}

// Character at offset, with the line's terminator standing at its end.
unsigned char char_at(std::string_view line, std::size_t offset) {
    return offset < line.size() ? static_cast<unsigned char>(line[offset]) : 0;
}

int key_code(std::string_view line) {
    const unsigned char key = char_at(line, kKeyOffset);
    if (key != 'R') return key;
    // RED stays R; every other name starting with R (RIGHT, ...) becomes '>'.
    return char_at(line, kKeyOffset + 1) == 'E' ? 'R' : '>';
}

}  // namespace

std::optional<Event> parse_event(std::string_view line) {
    if (line.size() < kKeyOffset) return std::nullopt;
    return Event{repeat_count(line), key_code(line)};
}

}  // namespace tevrak::rcin
