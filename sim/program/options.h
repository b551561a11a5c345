// Command-line options of tevrak-sim, also readable from a small config
// file (--config FILE: one option per line without the dashes, "#" starts a
// comment line), e.g.
//     arena 3000x2000
//     obstacle 1200,800,300,300
//     start 500,500,90
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/address.h"
#include "sim/world/geometry.h"

namespace tevrak::sim {

// "a<sep>b<sep>c" as integers: exactly count of them, or any number for
// count 0 ("0,90,-90" for sensor directions); nothing when one is not.
std::optional<std::vector<long>> parse_list(std::string_view text, char separator, std::size_t count);

inline constexpr int kFastestSpeed = 50;

struct ScheduledControl {
    long at_ms;           // after start-up, in the world's time
    std::string command;  // a control line, e.g. "unplug"
};

struct Options {
    std::string home;       // required
    bool as_owner = false;  // as root: run as the robot folder's owner
    bool keep_hdt = false;
    double arena_width = 2000;  // mm
    double arena_height = 1500;
    std::vector<Rect> obstacles;
    std::optional<Pose> start;  // default: the arena's centre, heading 0
    double radius = 100;        // mm
    std::vector<double> sensor_degrees{0, 90, -90};
    std::string log_file;  // empty: standard output
    std::string svg_file;  // empty: <home>/run.svg
    bool silent = false;
    bool unplugged = false;
    int stray = 0;
    int late_ms = 0;
    std::vector<ScheduledControl> scheduled;
    std::optional<ViewAddress> view;  // the live page, when asked for
    int speed = 1;                    // the world runs this many times faster than life
    bool answer = false;              // "ok" or "error: ..." after each line of standard input
    bool end_with_input = false;      // end when standard input ends (the starting program ended)
    std::string record_file;          // the tap's records of the program, as a recording
    std::string replay_file;          // a recording the board plays back instead of the world
    bool help = false;
};

// Parses the arguments (argv[0] excluded). On error returns nothing and
// sets error to a one-line explanation.
std::optional<Options> parse_options(const std::vector<std::string> &args, std::string &error);

// The --help text.
const std::string &usage_text();

}  // namespace tevrak::sim
