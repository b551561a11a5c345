#include "sim/world/arena.h"

#include <algorithm>
#include <limits>

namespace tevrak::sim {
namespace {

// Slack for touching contacts and rounding in the motion integration.
constexpr double kContactSlack = 1e-6;

// Entry distance of a ray into a rectangle (slab method); infinity when
// the ray misses it. A ray starting inside enters at distance 0.
double ray_enters(const Rect &rect, Point origin, double dx, double dy) {
    double near = 0;
    double far = std::numeric_limits<double>::infinity();
    const double low[2] = {rect.x, rect.y};
    const double high[2] = {rect.x + rect.width, rect.y + rect.height};
    const double start[2] = {origin.x, origin.y};
    const double step[2] = {dx, dy};
    for (int axis = 0; axis < 2; ++axis) {
        if (std::abs(step[axis]) < 1e-12) {
            if (start[axis] < low[axis] || start[axis] > high[axis]) return std::numeric_limits<double>::infinity();
            continue;
        }
        double t1 = (low[axis] - start[axis]) / step[axis];
        double t2 = (high[axis] - start[axis]) / step[axis];
        if (t1 > t2) std::swap(t1, t2);
        near = std::max(near, t1);
        far = std::min(far, t2);
        if (near > far) return std::numeric_limits<double>::infinity();
    }
    return near;
}

}  // namespace

Arena::Arena(double width, double height, std::vector<Rect> obstacles)
        : width_(width), height_(height), obstacles_(std::move(obstacles)) {}

bool Arena::circle_fits(Point centre, double radius) const {
    const double r = radius - kContactSlack;
    if (centre.x - r < 0 || centre.y - r < 0 || centre.x + r > width_ || centre.y + r > height_) return false;
    for (const Rect &rect : obstacles_) {
        const double nearest_x = std::clamp(centre.x, rect.x, rect.x + rect.width);
        const double nearest_y = std::clamp(centre.y, rect.y, rect.y + rect.height);
        const double dx = centre.x - nearest_x;
        const double dy = centre.y - nearest_y;
        if (dx * dx + dy * dy < r * r) return false;
    }
    return true;
}

double Arena::ray_distance(Point origin, double direction, double max_range) const {
    const double dx = std::cos(direction);
    const double dy = std::sin(direction);
    double best = max_range;
    // The walls, seen from inside.
    if (dx > 1e-12) best = std::min(best, (width_ - origin.x) / dx);
    if (dx < -1e-12) best = std::min(best, -origin.x / dx);
    if (dy > 1e-12) best = std::min(best, (height_ - origin.y) / dy);
    if (dy < -1e-12) best = std::min(best, -origin.y / dy);
    for (const Rect &rect : obstacles_) best = std::min(best, ray_enters(rect, origin, dx, dy));
    return std::max(best, 0.0);
}

}  // namespace tevrak::sim
