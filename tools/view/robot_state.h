// The real robot as the live page shows it, pieced together from the tap's
// records: what the program commanded and what the board answered last,
// each with the time it came, so that the page can show old values as old.
// The scene is an arena of its own around the odometry's origin (the real
// one is unknown); the robot stands where its odometry puts it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/tap_record.h"
#include "sim/world/geometry.h"

namespace tevrak::view {

// Where a distance sensor looks and how its readings become millimetres.
struct SensorPlace {
    double direction = 0;             // radians from the heading, counter-clockwise
    std::vector<std::int32_t> table;  // its hdt.txt table; empty: none
};

// Sensor n + 1 of the robot described by the hdt.txt text: its table by
// the device loader's rules, its direction the n-th of directions (degrees;
// a sensor beyond them gets none and is drawn as no ray).
std::map<int, SensorPlace> sensor_places(const std::string &hdt_text, const std::vector<double> &directions);

// The simulator's sensors, which a robot built like it has: front, left, right.
inline const std::vector<double> kUsualDirections{0, 90, -90};

class RobotState {
public:
    // An arena of 4 m by 4 m, the odometry's origin at its centre.
    static constexpr double kArena = 4000;
    // The body's radius the page draws; rays start on its rim.
    static constexpr double kRadius = 100;

    // Readings of the sensors placed here are drawn as rays from the robot
    // as its odometry last put it, the distance from the sensor's table.
    void place_sensors(std::map<int, SensorPlace> places) { places_ = std::move(places); }

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
    std::map<int, SensorPlace> places_;
    bool plugged_ = true;
    double plugged_at_ = 0;
    std::vector<sim::Point> trail_;
};

}  // namespace tevrak::view
