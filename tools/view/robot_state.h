// The real robot as the live page shows it, pieced together from the tap's
// records: what the program commanded and what the board answered last,
// each with the time it came, so that the page can show old values as old.
// The scene is an arena of its own around the odometry's origin (the real
// one is unknown); the robot stands where its odometry puts it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "protocol/tap_record.h"
#include "sim/world/geometry.h"

namespace tevrak::view {

class RobotState {
public:
    // An arena of 4 m by 4 m, the odometry's origin at its centre.
    static constexpr double kArena = 4000;

    // {"arena":...,"obstacles":[],"radius":100,"start":[2000,2000],"source":"robot"}
    static std::string scene_json();

    void take(const protocol::tap::Record &record);

    // The state in the simulator's shape (drive, pose, odometry, encoders,
    // sensors, servos, motors, board) plus "ages": the time of each value
    // (seconds since the epoch) and "dropped": records lost on the way.
    std::string state_json(std::uint64_t dropped) const;
    // The odometry's path so far, arena millimetres.
    const std::vector<sim::Point> &trail() const { return trail_; }

private:
    struct Value {
        int value = 0;
        double at = 0;  // 0: never seen
    };
    Value linear_, angular_, status_, remaining_;
    Value x_, y_, heading_;  // odometry: mm, mm, hundredths of a radian
    std::map<int, Value> encoders_, sensors_, servos_, motors_;
    bool plugged_ = true;
    double plugged_at_ = 0;
    std::vector<sim::Point> trail_;
};

}  // namespace tevrak::view
