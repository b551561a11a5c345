// Plane geometry of the simulated world. Lengths are millimetres; angles
// are radians inside the model (the wire carries hundredths of a radian).
// The arena's origin is its lower-left corner, x grows to the right, y
// upwards, and a heading of 0 looks along +x; positive angles turn
// counter-clockwise (to the left).
#pragma once

#include <cmath>
#include <numbers>

namespace tevrak::sim {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point &) const = default;
};

struct Pose {
    double x = 0;
    double y = 0;
    double heading = 0;  // radians
    bool operator==(const Pose &) const = default;
};

// An axis-parallel rectangle: lower-left corner and size.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Rect &) const = default;
};

// The angle folded into (-pi, pi].
inline double normalize_angle(double angle) {
    double folded = std::remainder(angle, 2 * std::numbers::pi);
    if (folded <= -std::numbers::pi) folded += 2 * std::numbers::pi;
    return folded;
}

inline double degrees_to_radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
inline double radians_to_degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

}  // namespace tevrak::sim
