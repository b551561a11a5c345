#include <ostream>
#include <string>

#include "tevrak/tevrak.hpp"

namespace tevrak {

Error::Error(const char *unit, const char *function, int code, const char *reason)
    : Error(unit, function, code, std::string(function) + ": " + reason + " (code " + std::to_string(code) + ")") {}

Error::Error(const char *unit, const char *function, int code, const std::string &message)
    : std::runtime_error(message), unit_(unit), function_(function), code_(code) {}

std::ostream &operator<<(std::ostream &out, const Pose &pose) {
    return out << "Pose(x=" << pose.x << ", y=" << pose.y << ", heading=" << pose.heading << ")";
}

std::ostream &operator<<(std::ostream &out, const Speed &speed) {
    return out << "Speed(linear=" << speed.linear << ", angular=" << speed.angular << ")";
}

}  // namespace tevrak
