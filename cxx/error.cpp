#include <ostream>
#include <string>

#include "platform/message.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

// The message: the unit's own messages of the failed call, held by the C++
// layer, go into it instead of onto the terminal.
std::string with_held_messages(const std::string &message) {
    const std::string held = take_held_messages();
    return held.empty() ? message : message + " [" + held + "]";
}

}  // namespace

Error::Error(const char *unit, const char *function, int code, const char *reason)
        : Error(unit, function, code, std::string(function) + ": " + reason + " (code " + std::to_string(code) + ")") {}

Error::Error(const char *unit, const char *function, int code, const std::string &message)
        : std::runtime_error(with_held_messages(message)), unit_(unit), function_(function), code_(code) {}

std::ostream &operator<<(std::ostream &out, const Pose &pose) {
    return out << "Pose(x=" << pose.x << ", y=" << pose.y << ", heading=" << pose.heading << ")";
}

std::ostream &operator<<(std::ostream &out, const Speed &speed) {
    return out << "Speed(linear=" << speed.linear << ", angular=" << speed.angular << ")";
}

}  // namespace tevrak
