// tevrak-sim's options, listed once: the parser learns from this table
// which options take a value, --help is written from it, and a test holds
// the manual page, docs/simulator.md and Python's Simulator to it.
#pragma once

#include <string>
#include <string_view>

namespace tevrak::sim {

struct OptionEntry {
    std::string_view name;   // "--arena"
    std::string_view value;  // what follows it, "WxH"; empty for a flag
    std::string_view help;   // one line per '\n', indented under the first
};

// In the order --help lists them. --help (-h) itself is not listed.
inline constexpr OptionEntry kOptionTable[] = {
    {"--home", "DIR",
     "robot folder: writes DIR/bin/hdt.txt, DIR/bin/usbSearch, the board link\n"
     "DIR/dev/ttyBOARD and the control FIFO DIR/sim.ctl (required\n"
     "unless TEVRAK_HOME names the folder)"},
    {"--keep-hdt", "", "leave an existing DIR/bin/hdt.txt as it is"},
    {"--as-owner", "",
     "when run as root and DIR belongs to another user: run as that user\n"
     "(without it, root refuses such a folder)"},
    {"--config", "FILE", "read options from FILE, one per line without dashes (\"arena 3000x2000\")"},
    {"--arena", "WxH", "arena size in mm (default 2000x1500)"},
    {"--obstacle", "X,Y,W,H", "rectangular obstacle, lower-left corner and size in mm (repeatable)"},
    {"--start", "X,Y,DEG", "start pose in the arena, mm and degrees (default: centre, heading 0)"},
    {"--radius", "MM", "radius of the round robot body (default 100)"},
    {"--sensors", "D1,D2,..", "distance sensor directions in degrees from the heading (default 0,90,-90)"},
    {"--log", "FILE", "frame log (default standard output)"},
    {"--svg", "FILE", "picture of the run written at exit (default DIR/run.svg)"},
    {"--silent", "", "the board answers nothing (control: silent on|off)"},
    {"--unplugged", "", "start unplugged (control: replug)"},
    {"--stray", "N", "N stray bytes before every reply (control: stray N)"},
    {"--late", "MS", "answer queries MS milliseconds late (control: late MS)"},
    {"--at", "MS:COMMAND",
     "run a control command MS milliseconds after start, in the world's time\n"
     "(repeatable)"},
    {"--speed", "N",
     "run the world N times faster than life, 1 to 50 (default 1): motion,\n"
     "sensors, the drive's done and stalled, --at and the page's clock; the\n"
     "link's own pauses (--late, the link check) stay real"},
    {"--answer", "",
     "after each line of standard input print \"ok\" or \"error: MESSAGE\"\n"
     "on standard output (for programs that drive the simulator)"},
    {"--end-with-input", "",
     "end when standard input ends, e.g. when the program that started the\n"
     "simulator through a pipe ends, however it ends"},
    {"--view", "[ADDR:]PORT",
     "serve a live page of the robot at http://ADDR:PORT/ (ADDR default 127.0.0.1,\n"
     "PORT 0 picks a free port). The page has no authentication: anyone who can\n"
     "reach the address can watch, inject faults and press the remote's keys"},
    {"--record", "FILE",
     "write every exchange of the programs run against the simulator to FILE,\n"
     "one JSON line each (the library's tap at DIR/tap.sock)"},
    {"--replay", "FILE",
     "be the board of a recording: answer each frame with the recorded reply;\n"
     "the first frame other than recorded ends it with exit status 1, a frame\n"
     "beyond a recording cut short with 3; answered to its end and the port\n"
     "closed, it ends with 0"},
};

// The entry of an option, or nullptr.
const OptionEntry *find_option(std::string_view name);

// The table as --help lists it: "  --arena WxH         arena size ...".
std::string option_lines();

}  // namespace tevrak::sim
