#include "sim/program/options.h"

#include <algorithm>

#include <charconv>
#include <cstdlib>
#include <fstream>

#include <string_view>
#include "sim/program/option_table.h"

namespace tevrak::sim {
namespace {

std::optional<long> parse_long(std::string_view text) {
    long value = 0;
    const auto *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc{} || result.ptr != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::vector<long>> parse_list(std::string_view text, char separator, std::size_t count) {
    std::vector<long> values;
    for (;;) {
        const auto at = text.find(separator);
        const auto value = parse_long(text.substr(0, at));
        if (!value) return std::nullopt;
        values.push_back(*value);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    if (count != 0 && values.size() != count) return std::nullopt;
    return values;
}

namespace {

class Parser {
public:
    Parser(Options &options, std::string &error) : options_(options), error_(error) {}

    bool run(const std::vector<std::string> &args, int depth) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string &name = args[i];
            const std::string *value = i + 1 < args.size() ? &args[i + 1] : nullptr;
            int used = 0;
            if (!option(name, value, used, depth)) return false;
            i += static_cast<std::size_t>(used);
        }
        return true;
    }

private:
    bool fail(const std::string &text) {
        error_ = text;
        return false;
    }

    bool option(const std::string &name, const std::string *value, int &used, int depth) {
        // Flags.
        if (name == "--help" || name == "-h") return options_.help = true;
        if (name == "--keep-hdt") return options_.keep_hdt = true;
        if (name == "--as-owner") return options_.as_owner = true;
        if (name == "--silent") return options_.silent = true;
        if (name == "--unplugged") return options_.unplugged = true;
        if (name == "--answer") return options_.answer = true;
        if (name == "--end-with-input") return options_.end_with_input = true;
        // Options with a value.
        const OptionEntry *entry = find_option(name);
        if (entry == nullptr || entry->value.empty()) return fail("unknown option " + name + " (see --help)");
        if (value == nullptr) return fail(name + " needs a value");
        used = 1;
        const std::string &v = *value;
        if (name == "--home") {
            options_.home = v;
        } else if (name == "--config") {
            return config(v, depth);
        } else if (name == "--arena") {
            const auto size = parse_list(v, 'x', 2);
            if (!size || (*size)[0] <= 0 || (*size)[1] <= 0)
                return fail("--arena wants WIDTHxHEIGHT in mm, e.g. 2000x1500");
            options_.arena_width = static_cast<double>((*size)[0]);
            options_.arena_height = static_cast<double>((*size)[1]);
        } else if (name == "--obstacle") {
            const auto rect = parse_list(v, ',', 4);
            if (!rect || (*rect)[2] <= 0 || (*rect)[3] <= 0) return fail("--obstacle wants X,Y,WIDTH,HEIGHT in mm");
            options_.obstacles.push_back({static_cast<double>((*rect)[0]), static_cast<double>((*rect)[1]),
                                          static_cast<double>((*rect)[2]), static_cast<double>((*rect)[3])});
        } else if (name == "--start") {
            const auto pose = parse_list(v, ',', 3);
            if (!pose) return fail("--start wants X,Y,HEADING (mm, mm, degrees)");
            options_.start = Pose{static_cast<double>((*pose)[0]), static_cast<double>((*pose)[1]),
                                  degrees_to_radians(static_cast<double>((*pose)[2]))};
        } else if (name == "--radius") {
            const auto radius = parse_long(v);
            if (!radius || *radius <= 0) return fail("--radius wants a positive number of mm");
            options_.radius = static_cast<double>(*radius);
        } else if (name == "--sensors") {
            const auto directions = parse_list(v, ',', 0);
            if (!directions) return fail("--sensors wants directions in degrees, e.g. 0,90,-90");
            options_.sensor_degrees.assign(directions->begin(), directions->end());
        } else if (name == "--log") {
            options_.log_file = v;
        } else if (name == "--record") {
            options_.record_file = v;
        } else if (name == "--replay") {
            options_.replay_file = v;
        } else if (name == "--svg") {
            options_.svg_file = v;
        } else if (name == "--stray") {
            const auto count = parse_long(v);
            if (!count || *count < 0 || *count > 255) return fail("--stray wants a number of bytes, 0 to 255");
            options_.stray = static_cast<int>(*count);
        } else if (name == "--late") {
            const auto ms = parse_long(v);
            if (!ms || *ms < 0 || *ms > 60000) return fail("--late wants milliseconds, 0 to 60000");
            options_.late_ms = static_cast<int>(*ms);
        } else if (name == "--speed") {
            const auto speed = parse_long(v);
            if (!speed || *speed < 1 || *speed > kFastestSpeed) return fail("--speed wants a factor, 1 to 50");
            options_.speed = static_cast<int>(*speed);
        } else if (name == "--view") {
            options_.view = parse_view_address(v);
            if (!options_.view) return fail("--view wants [ADDRESS:]PORT, e.g. 8080 or 0.0.0.0:8080");
        } else if (name == "--at") {
            const auto colon = v.find(':');
            const auto ms = parse_long(std::string_view(v).substr(0, colon));
            if (colon == std::string::npos || !ms || *ms < 0) return fail("--at wants MS:COMMAND, e.g. 2000:unplug");
            options_.scheduled.push_back({*ms, v.substr(colon + 1)});
        }
        return true;
    }

    bool config(const std::string &path, int depth) {
        if (depth > 4) return fail("--config files nest too deeply");
        std::ifstream file(path);
        if (!file) return fail("cannot read config file " + path);
        std::vector<std::string> args;
        std::string line;
        while (std::getline(file, line)) {
            const auto first = line.find_first_not_of(" \t\r");
            if (first == std::string::npos || line[first] == '#') continue;
            const auto name_end = line.find_first_of(" \t\r", first);
            args.push_back("--" + line.substr(first, name_end - first));
            if (name_end == std::string::npos) continue;
            const auto value_start = line.find_first_not_of(" \t\r", name_end);
            if (value_start == std::string::npos) continue;
            const auto value_end = line.find_last_not_of(" \t\r");
            args.push_back(line.substr(value_start, value_end - value_start + 1));
        }
        return run(args, depth + 1);
    }

    Options &options_;
    std::string &error_;
};

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string> &args, std::string &error) {
    Options options;
    Parser parser(options, error);
    if (!parser.run(args, 0)) return std::nullopt;
    if (options.help) return options;
    // Like the library, the simulator takes TEVRAK_HOME as its robot folder
    // when no --home is given.
    if (const char *variable = std::getenv("TEVRAK_HOME"); options.home.empty() && variable) options.home = variable;
    if (options.home.empty()) {
        error = "--home DIR is required (the folder for bin/hdt.txt, bin/usbSearch and dev/ttyBOARD)";
        return std::nullopt;
    }
    return options;
}

const OptionEntry *find_option(std::string_view name) {
    for (const OptionEntry &entry : kOptionTable) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

std::string option_lines() {
    constexpr std::size_t kHelpColumn = 22;
    std::string lines;
    for (const OptionEntry &entry : kOptionTable) {
        std::string head = "  " + std::string(entry.name);
        if (!entry.value.empty()) head += " " + std::string(entry.value);
        head.resize(std::max(head.size() + 2, kHelpColumn), ' ');
        std::string_view help = entry.help;
        for (std::size_t end; (end = help.find('\n')) != std::string_view::npos; help.remove_prefix(end + 1)) {
            lines += head + std::string(help.substr(0, end)) + "\n";
            head.assign(kHelpColumn, ' ');
        }
        lines += head + std::string(help) + "\n";
    }
    return lines;
}

const std::string &usage_text() {
    static const std::string text =
        "Usage: tevrak-sim --home DIR [options]\n"
        "A simulated robot: a controller board on a pseudo-terminal with a differential drive,\n"
        "wheel encoders and distance sensors in a rectangular arena.\n"
        "\n" +
        option_lines() +
        "\n"
        "The remote: DIR/lircd speaks the infrared daemon's client protocol; point programs at it with\n"
        "  export LIRC_SOCKET_PATH=DIR/lircd\n"
        "and press keys with the control command key NAME [REPEATS] or on the page.\n"
        "\n"
        "Control commands, one per line on standard input or written to DIR/sim.ctl:\n"
        "  silent on|off, unplug, replug, stray N, noise N, late MS, key NAME [N], status, svg, help, quit\n"
        "The simulator runs until quit, SIGINT or SIGTERM (end of standard input stops it only with\n"
        "--end-with-input).\n";
    return text;
}

}  // namespace tevrak::sim
