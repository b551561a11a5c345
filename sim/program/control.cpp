#include "sim/program/control.h"

#include <charconv>

namespace tevrak::sim {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::optional<int> number_in(std::string_view text, int high) {
    int value = 0;
    const auto *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end || value < 0 || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Control> parse_control(std::string_view line, std::string &error) {
    error.clear();
    line = trim(line);
    if (line.empty() || line.front() == '#') return std::nullopt;
    const auto space = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, space);
    const std::string_view argument = space == std::string_view::npos ? std::string_view{} : trim(line.substr(space));

    using Action = Control::Action;
    struct Plain {
        std::string_view word;
        Action action;
    };
    static constexpr Plain kPlain[] = {{"unplug", Action::unplug}, {"replug", Action::replug},
                                       {"status", Action::status}, {"svg", Action::svg},
                                       {"help", Action::help},     {"quit", Action::quit}};
    for (const auto &plain : kPlain) {
        if (word != plain.word) continue;
        if (!argument.empty()) break;
        return Control{plain.action, 0};
    }
    if (word == "silent") {
        if (argument == "on") return Control{Action::silent, 1};
        if (argument == "off") return Control{Action::silent, 0};
        error = "silent wants on or off";
        return std::nullopt;
    }
    if (word == "stray" || word == "noise") {
        if (const auto count = number_in(argument, 255)) {
            return Control{word == "stray" ? Action::stray : Action::noise, *count};
        }
        error = std::string(word) + " wants a number of bytes, 0 to 255";
        return std::nullopt;
    }
    if (word == "key") {
        const auto blank = argument.find_first_of(" \t");
        const std::string_view button = argument.substr(0, blank);
        const std::string_view repeats = blank == std::string_view::npos ? "0" : trim(argument.substr(blank));
        const auto count = number_in(repeats, kMostKeyRepeats);
        if (is_button_name(button) && count) return Control{Action::key, *count, std::string(button)};
        error = "key wants a button name and repeats 0 to 255, e.g. key KEY_UP 3";
        return std::nullopt;
    }
    if (word == "late") {
        if (const auto ms = number_in(argument, 60000)) return Control{Action::late, *ms};
        error = "late wants milliseconds, 0 to 60000";
        return std::nullopt;
    }
    error = "unknown control command: " + std::string(line) + " (try help)";
    return std::nullopt;
}

bool is_button_name(std::string_view name) {
    if (name.empty() || name.size() > 40) return false;
    for (const char c : name) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                             c == '-' || c == '+' || c == '.';
        if (!allowed) return false;
    }
    return true;
}

const char *control_help_text() {
    return "control commands:\n"
           "  silent on|off   stop / resume answering\n"
           "  unplug          remove the terminal (the link dangles)\n"
           "  replug          a new terminal behind the same link\n"
           "  stray N         N stray bytes before every reply (0: off)\n"
           "  noise N         send N stray bytes once\n"
           "  late MS         replies MS milliseconds late (0: off)\n"
           "  key NAME [N]    press the remote's button NAME (KEY_UP, KEY_1, ...), held for N repeats\n"
           "  status          show pose, speeds, sensors and devices\n"
           "  svg             write the picture now\n"
           "  quit            end the simulator\n";
}

}  // namespace tevrak::sim
