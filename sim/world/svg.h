// The picture of a run: the arena with its walls and obstacles, the path
// the robot drove (sampled every 10 mm or so), where it started, the robot
// at its end pose with its heading, and the distance sensors' rays at the
// end. Arena coordinates (y up) are kept, flipped for the screen.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/world/world.h"

namespace tevrak::sim {

// What the picture shows, copied out of the world (the arena, which never
// changes, is the world's): drawing it takes no lock the world's users need.
struct SvgScene {
    const Arena *arena = nullptr;
    Pose start;
    Pose end;
    double radius = 0;
    std::vector<Point> path;
    std::vector<std::pair<Point, Point>> rays;  // each sensor's ray: from, to
    bool stalled = false;
    bool operator==(const SvgScene &) const = default;
};

SvgScene svg_scene(const World &world, const Pose &start);
std::string render_svg(const SvgScene &scene);
std::string render_svg(const World &world, const Pose &start);

}  // namespace tevrak::sim
