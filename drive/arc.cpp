#include "drive/arc.h"

#include <cmath>
#include <cstdint>

namespace tevrak::drive {
namespace {

// Truncates toward zero and keeps the low 32 bits of the integer, so that a
// length too long for an int wraps like any other word field instead of
// being an undefined conversion.
int truncate_wrapping(double value) {
    constexpr double kTwoPow32 = 4294967296.0;
    const double whole = std::fmod(std::trunc(value), kTwoPow32);  // exact
    return static_cast<int>(static_cast<std::int64_t>(whole));
}

}  // namespace

Arc arc_to_point(int dx, int dy) {
    // On the x axis the arc degenerates into a straight run (sin(phi) is 0);
    // this also covers the origin.
    if (dy == 0) return {dx, 0};

    const double x = dx;
    const double y = dy;
    const double chord = std::sqrt(x * x + y * y);
    const double bearing = std::atan2(y, x);  // -pi..pi, never 0 or +-pi here
    const double turn = 2.0 * bearing;        // tangent-chord angle is half the turn
    const double length = chord * bearing / std::sin(bearing);
    return {truncate_wrapping(length), truncate_wrapping(turn * 100.0)};
}

}  // namespace tevrak::drive
