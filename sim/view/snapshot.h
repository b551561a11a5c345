// The simulated robot as the live page shows it, in JSON: the scene (what
// never changes) and the state (what the page redraws).
#pragma once

#include <bitset>
#include <string>

#include "peripherals.h"
#include "simulator.h"
#include "world.h"

namespace tevrak::sim::view {

// {"arena":{"width":W,"height":H},"obstacles":[[x,y,w,h],...],"radius":R,"start":[x,y]}
std::string scene_json(const World &world, const Pose &start);

// Motors that were ever driven stay listed (with power 0 once stopped).
using MotorsSeen = std::bitset<256>;

// Pose in the arena (mm, heading in degrees), the board's odometry, drive
// status and speeds, encoders, sensors (distance, raw reading, ray), servos
// that were set, motors, and the fault switches. Brings the world up to its
// clock first.
std::string state_json(World &world, const Peripherals &peripherals, const Simulator::Faults &faults,
                       MotorsSeen &motors_seen);

}  // namespace tevrak::sim::view
