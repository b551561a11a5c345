// Control commands that change the simulated board while it runs, read
// line by line from standard input and from the control FIFO:
//   silent on|off   stop / resume answering probes and queries
//   unplug          the terminal disappears (the link dangles)
//   replug          a new terminal behind the same link
//   stray N         N stray bytes before every reply marker (0: off)
//   noise N         N stray bytes sent once, now
//   late MS         replies come MS milliseconds late (0: off)
//   key NAME [N]    the remote's button NAME pressed, then held for N repeats
//   status          pose, speeds, sensors and devices on standard output
//   svg             write the picture now
//   help            the list of commands
//   quit            end the simulator (and write the picture)
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tevrak::sim {

struct Control {
    enum class Action { silent, unplug, replug, stray, noise, late, key, status, svg, help, quit };
    Control(Action action_, int value_ = 0, std::string button_ = {})
            : action(action_), value(value_), button(std::move(button_)) {}
    Action action;
    int value = 0;       // silent: 1 on, 0 off; stray/noise: bytes; late: ms; key: repeats
    std::string button;  // key: the button's name
};

// Highest repeat count of a held key: the daemon's event lines carry it in
// two hexadecimal digits.
inline constexpr int kMostKeyRepeats = 255;

// True for a button name an event line can carry: 1 to 40 characters,
// letters, digits, '_', '-', '+' and '.'.
bool is_button_name(std::string_view name);

// Parses one line (surrounding blanks ignored). An empty line or one that
// starts with '#' gives nothing and leaves error empty; a bad line gives
// nothing and an error text.
std::optional<Control> parse_control(std::string_view line, std::string &error);

// The text "help" prints.
const char *control_help_text();

}  // namespace tevrak::sim
