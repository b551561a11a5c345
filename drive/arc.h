// Geometry of VWDrive: the circular arc that starts at the chassis, tangent
// to its heading, and ends at a point dx ahead and dy to the side of
// positive turns.
#pragma once

namespace tevrak::drive {

struct Arc {
    int length;            // signed arc length, board units
    int angle_hundredths;  // heading change, hundredths of a radian
};

// The arc to (dx, dy). With the bearing phi = atan2(dy, dx) of the end point
// and the chord r, the heading change is 2 * phi and the arc length
// r * phi / sin(phi); both are truncated toward zero. A point on the x axis
// (dy 0) is reached straight, forward or backward (length dx, angle 0); the
// origin gives length 0 and angle 0. Lengths beyond the int range wrap, as
// every word field does.
Arc arc_to_point(int dx, int dy);

}  // namespace tevrak::drive
