#include "cxx/link.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "config/paths.h"
#include "config/startup_failure.h"
#include "platform/message.h"
#include "tevrak/tevrak.hpp"

namespace tevrak::cxx {
namespace {

using config::StartupFailure;

const char *port_hint(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return " (is your user in the dialout group?)";
    case ENOENT:
    case ENODEV:
    case ENXIO: return " (is the board plugged in?)";
    case EBUSY: return " (is another program using it?)";
    default: return "";
    }
}

// Where the robot folder came from and what to do about a missing or
// unreadable hdt.txt there.
const char *robot_folder_hint() {
    switch (paths::home_origin()) {
    case paths::Origin::environment:
        return " (the robot folder comes from TEVRAK_HOME; run tevrak-setup there, or point TEVRAK_HOME at your "
               "robot folder)";
    case paths::Origin::program:
        return " (the robot folder comes from set_home; run tevrak-setup there, or give set_home your robot folder)";
    case paths::Origin::built_in: break;
    }
    return " (the robot folder is the built-in default; run tevrak-setup, or set TEVRAK_HOME or call set_home "
           "with your robot folder)";
}

// What the last start-up's files and port said, in a learner's words;
// empty when nothing was noted.
std::string startup_detail() {
    const StartupFailure &failure = config::startup_failure();
    const std::string path = failure.path;
    const std::string reason = std::strerror(failure.error);
    switch (failure.what) {
    case StartupFailure::What::robot_file:
        if (failure.error == ENOENT) return "no hdt.txt at " + path + robot_folder_hint();
        return "cannot read " + path + ": " + reason + robot_folder_hint();
    case StartupFailure::What::port:
        if (path.empty()) {
            return std::string("no serial port for the board: ") + paths::hdt_file() +
                   " names no device that usbSearch lists (is the board plugged in?)";
        }
        if (failure.holder[0] != '\0') return "the board at " + path + " is in use by " + failure.holder;
        return "cannot open " + path + ": " + reason + port_hint(failure.error);
    case StartupFailure::What::nothing: break;
    }
    return {};
}

}  // namespace

void throw_link_error(const LinkUnit &unit, const CCall &call, int code) {
    throw LinkError(unit.name(), call.function, code, "the board did not answer");
}

void ensure_started(const LinkUnit &unit, const CCall &call) {
    if (*unit.initialised != 0) return;
    config::clear_startup_failure();
    switch (protocol::start(unit)) {
    case protocol::Outcome::ok: return;
    case protocol::Outcome::startup_failed: {
        const std::string detail = startup_detail();
        // The detail says what the unit's message says, with the path and
        // the reason: the message would only repeat it.
        if (!detail.empty()) take_held_messages();
        if (detail.empty())
            throw StartupError(unit.name(), call.function, call.startup_code, "the unit could not start");
        throw StartupError(unit.name(), call.function, call.startup_code, detail);
    }
    default: throw_link_error(unit, call, call.startup_code);
    }
}

}  // namespace tevrak::cxx
