// Decoding of the daemon's event lines:
//   "<16 hex digits scan code> <2 hex digits repeat> <button> <remote>\n"
// The fields are read at fixed offsets, not found by splitting at blanks.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tevrak::rcin {

inline constexpr std::size_t kRepeatOffset = 17;  // two hexadecimal digits
inline constexpr std::size_t kKeyOffset = 24;     // fifth character of the button name

struct Event {
    int repeat;  // 0 for the first event of a press, counting up while held
    int key;     // key code 1 to 255; 0 when the line ends at the key offset
};

// The repeat count and key code of one line (without its terminating NUL).
// Lines shorter than the key offset (the daemon's notices such as "BEGIN\n")
// are no events. A line that ends exactly at the key offset has key code 0,
// as its terminator stands there. Nothing past the line's end is read.
std::optional<Event> parse_event(std::string_view line);

}  // namespace tevrak::rcin
