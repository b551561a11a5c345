// Event lines of the simulated remote, as the infrared daemon writes them to
// its clients: "<code, 16 hex digits> <repeat, 2 hex digits> <button> <remote>\n".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tevrak::sim::view {

// The remote's name in every event line.
inline constexpr std::string_view kRemoteName = "tevrak_sim";

// The line for one event of the button (a valid button name; repeat 0 for
// the press, counting up while held, at most 255). Buttons of the page's
// keypad have codes of their own; any other name has code 0.
std::string key_event_line(std::string_view button, int repeat);

// Checks a client's "SIMULATE <event>" event: code, repeat, button and
// remote as above. The line to send to the other clients, newline added.
std::optional<std::string> simulated_event_line(std::string_view event);

}  // namespace tevrak::sim::view
