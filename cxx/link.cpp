#include "cxx/link.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "config/paths.h"
#include "config/startup_failure.h"
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

// What the last start-up's files and port said, in a learner's words;
// empty when nothing was noted.
std::string startup_detail() {
    const StartupFailure &failure = config::startup_failure();
    const std::string path = failure.path;
    const std::string reason = std::strerror(failure.error);
    switch (failure.what) {
    case StartupFailure::What::robot_file:
        if (failure.error == ENOENT) return "no hdt.txt at " + path + " (set TEVRAK_HOME or call set_home)";
        return "cannot read " + path + ": " + reason + " (set TEVRAK_HOME or call set_home)";
    case StartupFailure::What::port:
        if (path.empty()) {
            return std::string("no serial port for the board: ") + paths::hdt_file() +
                   " names no device that usbSearch lists (is the board plugged in?)";
        }
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
    case protocol::Outcome::ok:
        return;
    case protocol::Outcome::startup_failed: {
        const std::string detail = startup_detail();
        if (detail.empty()) throw StartupError(unit.name(), call.function, call.startup_code, "the unit could not start");
        throw StartupError(unit.name(), call.function, call.startup_code, detail);
    }
    default:
        throw_link_error(unit, call, call.startup_code);
    }
}

}  // namespace tevrak::cxx
