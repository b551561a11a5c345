// The rectangular arena: four walls around [0, width] x [0, height] and
// rectangular obstacles inside. Answers the two questions the robot model
// asks: does a round robot fit at a place, and how far does a ray travel
// before it meets a wall or an obstacle.
#pragma once

#include <vector>

#include "sim/world/geometry.h"

namespace tevrak::sim {

class Arena {
public:
    Arena(double width, double height, std::vector<Rect> obstacles = {});

    double width() const { return width_; }
    double height() const { return height_; }
    const std::vector<Rect> &obstacles() const { return obstacles_; }

    // True when a circle of the radius at the centre lies inside the walls
    // and overlaps no obstacle (touching is allowed).
    bool circle_fits(Point centre, double radius) const;

    // Distance from origin along direction (radians) to the first wall or
    // obstacle, at most max_range. The origin is expected inside the walls.
    double ray_distance(Point origin, double direction, double max_range) const;

private:
    double width_;
    double height_;
    std::vector<Rect> obstacles_;
};

}  // namespace tevrak::sim
