// hdt.txt as the library reads it: every line it refuses or ignores, named
// with its number, and a summary of the robot it describes.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "checks.h"
#include "config/device_lines.h"
#include "config/hdt_file.h"
#include "config/paths.h"
#include "serial/discovery.h"

namespace tevrak::doctor {
namespace {

constexpr std::string_view kKeys[] = {"USB", "ENCODER", "DRIVE", "KINEMA", "SERVO", "MOTOR", "PSD", "TABLE"};

std::string key_of(std::string_view line) {
    for (std::string_view key : kKeys) {
        if (hdt::has_key(line, key)) return std::string(key);
    }
    return {};
}

std::string join_names(const auto &list) {
    std::string names;
    for (const auto &record : list.records) names += std::string(names.empty() ? "" : ", ") + record.name;
    return names;
}

// Reads the file once more through the loader's own functions.
template <typename Read>
auto loaded(Read read) {
    hdt::LineReader file(paths::hdt_file());
    return read(file);
}

class LineCheck {
public:
    LineCheck(Report &report, Context &context) : report_(report), context_(context) {}

    void look(int number, std::string_view line) {
        number_ = number;
        if (line.find_first_not_of(" \n") == std::string_view::npos || line.front() == '#') return;
        if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") {
            warn("ends with a carriage return (the last field keeps it: a name there never matches)",
                 "save the file with Unix line ends");
        }
        const std::string key = key_of(line);
        const hdt::Fields fields(line);
        if (key.empty()) {
            warn("ignored: \"" + std::string(fields.text(1)) + "\" is no key the library reads",
                 "keys are USB ENCODER DRIVE KINEMA SERVO MOTOR PSD TABLE at the very start of a line");
        } else if (key == "USB") {
            usb(line, fields);
        } else if (key == "ENCODER") {
            if (fields.number(2) != 1) {
                warn("ignored: only ENCODER 1 counts for the drive", "");
            } else {
                single("ENCODER 1", fields, 3);
                context_.has_drive = true;
            }
        } else if (key == "DRIVE" || key == "KINEMA") {
            single(key, fields, 5);
            context_.has_drive = true;
        } else if (key == "SERVO" || key == "MOTOR" || key == "PSD") {
            device(key, fields);
        } else if (key == "TABLE") {
            if (fields.count() < 3) warn("TABLE " + std::string(fields.text(2)) + " has no entries (no table)", "");
            tables_.insert(std::string(fields.text(2)).substr(0, hdt::kNameLength - 1));
        }
    }

    // Table names no TABLE line defines.
    void finish() {
        for (const auto &[line, name] : wanted_tables_) {
            if (tables_.count(name) == 0) {
                report_.warn("hdt.txt line " + std::to_string(line),
                             "no TABLE line " + name + ": the device has no table", "add the TABLE line or write -");
            }
        }
    }

    std::string usb_summary;

private:
    void warn(const std::string &detail, const std::string &fix) {
        report_.warn("hdt.txt line " + std::to_string(number_), detail, fix);
    }

    void usb(std::string_view line, const hdt::Fields &fields) {
        const auto usb = serial::parse_usb_line(line);
        if (!usb) {
            warn("ignored: a USB line needs an interface and a device name", "write USB 1 <name>");
            return;
        }
        if (!serial::known_interface(usb->interface)) {
            report_.fail("hdt.txt line " + std::to_string(number_),
                         "USB interface " + std::string(fields.text(2)) +
                             " is refused (1 to 4): port discovery stops here and no unit can start",
                         "write USB 1 " + std::string(usb->name));
            return;
        }
        if (usb->name.find_first_of("_-") != std::string_view::npos) {
            warn("USB name " + std::string(usb->name) + " never matches (names are cut at _ and -)",
                 "use one word of the usbSearch name, e.g. the part between _ or -");
        }
        overridden("USB " + std::to_string(usb->interface));
        usb_summary += std::string(usb_summary.empty() ? "" : ", ") + "USB " + std::to_string(usb->interface) + " " +
                       std::string(usb->name);
    }

    void single(const std::string &what, const hdt::Fields &fields, std::size_t wanted) {
        if (fields.count() < wanted) {
            warn(what + " has " + std::to_string(fields.count() - 1) + " values of " + std::to_string(wanted - 1) +
                     ": the missing ones count as 0",
                 "");
        }
        overridden(what);
    }

    void device(const std::string &key, const hdt::Fields &fields) {
        if (fields.count() < 2) {
            warn(key + " line without a name", "");
            return;
        }
        const std::size_t table_field = key == "SERVO" ? 5 : 3;
        const std::string table(fields.text(table_field).substr(0, hdt::kNameLength - 1));
        if (key == "PSD") ++context_.sensors;
        if (key == "SERVO" && fields.count() < 4) warn("SERVO without both limits: a missing one counts as 0", "");
        if (!table.empty() && table != "-") wanted_tables_.emplace_back(number_, table);
    }

    // Of several lines for one setting the last counts.
    void overridden(const std::string &what) {
        const auto [at, fresh] = seen_.emplace(what, number_);
        if (!fresh) {
            report_.warn("hdt.txt line " + std::to_string(at->second),
                         "ignored: line " + std::to_string(number_) + " sets " + what + " again (the last counts)",
                         "remove one of them");
            at->second = number_;
        }
    }

    Report &report_;
    Context &context_;
    int number_ = 0;
    std::map<std::string, int> seen_;
    std::set<std::string> tables_;
    std::vector<std::pair<int, std::string>> wanted_tables_;
};

}  // namespace

void check_hdt(Report &report, Context &context) {
    const std::string path = paths::hdt_file();
    if (!context.home_ok) return;
    hdt::LineReader file(path.c_str());
    if (!file.is_open()) {
        report.fail("hdt.txt " + path, "cannot be read", "run tevrak-setup, or copy the example hdt.txt there");
        return;
    }
    context.hdt_ok = true;
    const std::size_t failures = report.failures();
    LineCheck lines(report, context);
    std::string_view line;
    for (int number = 1; file.next(line); ++number) lines.look(number, line);
    lines.finish();
    if (context.has_drive) context.encoders = {1, 2};

    const auto servos = loaded(hdt::read_servos);
    const auto motors = loaded(hdt::read_motors);
    const auto sensors = loaded(hdt::read_sensors);
    std::string summary = context.has_drive ? "drive with encoders 1 and 2" : "no drive";
    summary += "; servos: " + (servos->records.empty() ? "none" : join_names(*servos));
    summary += "; motors: " + (motors->records.empty() ? "none" : join_names(*motors));
    summary += "; distance sensors: " + (sensors->records.empty() ? "none" : join_names(*sensors));
    context.actuators = "servos: " + (servos->records.empty() ? "none" : join_names(*servos)) +
                        "; motors: " + (motors->records.empty() ? "none" : join_names(*motors));
    summary +=
        "; " + (lines.usb_summary.empty() ? "no USB line (interface 1: " + std::string(paths::default_port()) + ")"
                                          : lines.usb_summary);
    if (report.failures() == failures) report.ok("hdt.txt " + path, summary);
}

}  // namespace tevrak::doctor
