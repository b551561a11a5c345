// tevrak-teleop's command line.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tools/teleop/demand.h"

namespace tevrak::teleop {

enum class InputKind { keys, pad, ir };

struct Options {
    std::vector<InputKind> inputs;  // default: keys
    Limits limits;
    std::chrono::milliseconds lease{500};
    int rate = 20;  // sends per second while moving
    std::string deadman = "leftshoulder";
    std::string pad_mappings;  // a file of SDL game controller mappings
    bool list_pads = false;
    bool evdev = true;     // read the keyboard's device when allowed
    std::string keyboard;  // that device; empty: every keyboard found
    bool measure_keys = false;
    bool help = false;
};

// Parses argv; on a bad option returns nothing and sets error.
std::optional<Options> parse_options(int argc, char **argv, std::string &error);

extern const char *const kUsage;

}  // namespace tevrak::teleop
