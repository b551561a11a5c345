// The simulated arena as the live page shows it, in JSON: the scene (what
// never changes). The state the page redraws is the simulator's record
// (sim/program/sim_state.h), the same that status prints.
#pragma once

#include <string>

#include "sim/world/world.h"

namespace tevrak::sim::view {

// {"arena":{"width":W,"height":H},"obstacles":[[x,y,w,h],...],"radius":R,"start":[x,y]}
std::string scene_json(const World &world, const Pose &start);

}  // namespace tevrak::sim::view
