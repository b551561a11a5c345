// The simulator's state at one moment, gathered once under the model's
// lock: what the control command status prints (one JSON line under
// --answer, readable text without) and what the live page draws.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/world/peripherals.h"
#include "sim/world/world.h"

namespace tevrak::sim {

// The board's fault switches.
struct BoardFaults {
    bool plugged = true;
    bool silent = false;
    int late_ms = 0;
    int stray = 0;
};

// The simulated remote: the keys pressed since start-up (control command
// key or the page) and the last of them.
struct RemoteKeys {
    long pressed = 0;
    std::string last;  // empty before the first
};

struct SensorState {
    double distance;  // mm from the rim along the ray
    int raw;          // the board's reading
    Point from;       // the ray in the arena
    Point to;
};

struct NumberedServo {
    int number;
    ServoState servo;
};

struct NumberedMotor {
    int number;
    MotorState motor;
};

struct SimState {
    // The world's time since start-up (status only: the page runs a clock
    // of its own, and an idle robot's record must not change).
    std::optional<long long> world_ms;
    std::string link;  // the board's link, <home>/dev/ttyBOARD
    BoardFaults board;
    RemoteKeys remote;
    Pose pose;          // in the arena: mm, heading in radians within -pi..pi
    WirePose odometry;  // what the board reports, its units
    WireSpeed motion;   // what the robot does: 0 while stalled
    WireSpeed command;  // what the last drive command asked for
    int drive_status = kStatusDone;
    int remaining = 0;
    bool remaining_is_angle = false;  // hundredths of a radian, else mm
    std::array<std::int32_t, 2> encoders{};
    DriveSetup setup;
    std::vector<SensorState> sensors;
    std::vector<NumberedServo> servos;             // set, or given a range
    std::vector<NumberedMotor> motors;             // ever driven: listed with power 0 once stopped
    std::optional<std::array<int, 4>> controller;  // the gains while switched on
};

// Brings the world up to its clock and reads it. Runs under the model's lock.
SimState capture_state(World &world, const Peripherals &peripherals);

// One line of JSON, no newline; its fields are described in docs/simulator.md.
std::string state_json(const SimState &state);

// The readable report, one line per part.
std::string state_text(const SimState &state);

}  // namespace tevrak::sim
