// The picture of a run: the arena with its walls and obstacles, the path
// the robot drove (sampled every 10 mm or so), where it started, the robot
// at its end pose with its heading, and the distance sensors' rays at the
// end. Arena coordinates (y up) are kept, flipped for the screen.
#pragma once

#include <string>

#include "sim/world/world.h"

namespace tevrak::sim {

std::string render_svg(const World &world, const Pose &start);

// Writes the picture to path; false when the file cannot be written.
bool write_svg(const std::string &path, const World &world, const Pose &start);

}  // namespace tevrak::sim
