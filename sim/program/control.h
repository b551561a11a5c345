// Control commands that change the simulated board while it runs, read
// line by line from standard input and from the control FIFO:
//   silent on|off   stop / resume answering probes and queries
//   unplug          the terminal disappears (the link dangles)
//   replug          a new terminal behind the same link
//   stray N         N stray bytes before every reply marker (0: off)
//   noise N         N stray bytes sent once, now
//   late MS         replies come MS milliseconds late (0: off)
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
    enum class Action { silent, unplug, replug, stray, noise, late, status, svg, help, quit };
    Action action;
    int value = 0;  // silent: 1 on, 0 off; stray/noise: bytes; late: ms
};

// Parses one line (surrounding blanks ignored). An empty line or one that
// starts with '#' gives nothing and leaves error empty; a bad line gives
// nothing and an error text.
std::optional<Control> parse_control(std::string_view line, std::string &error);

// The text "help" prints.
const char *control_help_text();

}  // namespace tevrak::sim
