#include "tools/teleop/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tevrak::teleop {

const char *const kUsage =
    "usage: tevrak-teleop [options]\n"
    "Drive the robot by hand: keys in this terminal, a gamepad or the IR remote.\n"
    "  --input keys|pad|ir   an input (repeatable; default keys)\n"
    "  --max-linear MM_S     linear speed limit (default 150, at most 2000)\n"
    "  --max-angular DEG_S   angular speed limit (default 90, at most 720)\n"
    "  --step-linear MM_S    linear step of a key (default 50)\n"
    "  --step-angular DEG_S  angular step of a key (default 15)\n"
    "  --lease SECONDS       keys: stop when no key came for this long (default 0.5)\n"
    "  --rate N              speed commands per second while moving (10 to 50, default 20)\n"
    "  --deadman BUTTON      pad: the button that must be held (default leftshoulder)\n"
    "  --pad-mappings FILE   pad: extra SDL game controller mappings\n"
    "  --list-pads           print the pads SDL sees and end\n"
    "  --keyboard DEVICE     keys: read key release from this /dev/input device\n"
    "  --no-evdev            keys: never read /dev/input, only the terminal\n"
    "  --measure-keys        print the gaps between the terminal's keys (auto-repeat) and end on q\n"
    "Keys: arrows or WASD step the speed, space stops, q or Ctrl-C quits.\n";

namespace {

bool parse_int(std::string_view text, int low, int high, int &out) {
    const std::string copy(text);
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(copy.c_str(), &end, 10);
    if (copy.empty() || *end != '\0' || errno != 0 || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool parse_seconds(std::string_view text, std::chrono::milliseconds &out) {
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || *end != '\0' || !std::isfinite(value) || value < 0.05 || value > 10) return false;
    out = std::chrono::milliseconds(std::lround(value * 1000));
    return true;
}

}  // namespace

std::optional<Options> parse_options(int argc, char **argv, std::string &error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string_view(argv[++i]);
        };
        auto integer = [&](int low, int high, int &out) {
            const auto text = value();
            if (text && parse_int(*text, low, high, out)) return true;
            error = std::string(option) + " needs a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high);
            return false;
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--input") {
            const auto text = value();
            if (text == "keys")
                options.inputs.push_back(InputKind::keys);
            else if (text == "pad")
                options.inputs.push_back(InputKind::pad);
            else if (text == "ir")
                options.inputs.push_back(InputKind::ir);
            else {
                error = "--input needs keys, pad or ir";
                return std::nullopt;
            }
        } else if (option == "--max-linear") {
            if (!integer(1, 2000, options.limits.max_linear)) return std::nullopt;
        } else if (option == "--max-angular") {
            if (!integer(1, 720, options.limits.max_angular)) return std::nullopt;
        } else if (option == "--step-linear") {
            if (!integer(1, 2000, options.limits.step_linear)) return std::nullopt;
        } else if (option == "--step-angular") {
            if (!integer(1, 720, options.limits.step_angular)) return std::nullopt;
        } else if (option == "--rate") {
            if (!integer(10, 50, options.rate)) return std::nullopt;
        } else if (option == "--lease") {
            const auto text = value();
            if (!text || !parse_seconds(*text, options.lease)) {
                error = "--lease needs seconds from 0.05 to 10";
                return std::nullopt;
            }
        } else if (option == "--deadman" || option == "--pad-mappings" || option == "--keyboard") {
            const auto text = value();
            if (!text || text->empty()) {
                error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            (option == "--deadman"    ? options.deadman
             : option == "--keyboard" ? options.keyboard
                                      : options.pad_mappings) = std::string(*text);
        } else if (option == "--list-pads") {
            options.list_pads = true;
        } else if (option == "--no-evdev") {
            options.evdev = false;
        } else if (option == "--measure-keys") {
            options.measure_keys = true;
        } else {
            error = "unknown option " + std::string(option);
            return std::nullopt;
        }
    }
    if (options.inputs.empty()) options.inputs.push_back(InputKind::keys);
    return options;
}

}  // namespace tevrak::teleop
