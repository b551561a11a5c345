// tevrak-view's state of the real robot, from the tap's records: each call
// lands in its place with its time, and what failed changes no value.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <initializer_list>

#include "tools/view/robot_state.h"

namespace {

using nlohmann::json;
using tevrak::protocol::tap::Record;

Record make(std::initializer_list<std::uint8_t> frame, std::initializer_list<std::uint8_t> reply, double at,
            std::uint8_t outcome = 0) {
    Record record;
    record.time_ns = static_cast<std::int64_t>(at * 1e9);
    record.outcome = outcome;
    for (std::uint8_t byte : frame) record.frame[record.frame_length++] = byte;
    for (std::uint8_t byte : reply) record.reply[record.reply_length++] = byte;
    return record;
}

struct Case {
    const char *name;
    Record record;
    const char *pointer;  // where the value lands, a JSON pointer into the state
    json value;
    const char *age;  // where its time lands
};

class RobotStateRecords : public testing::TestWithParam<Case> {};

TEST_P(RobotStateRecords, LandInTheirPlaceWithTheirTime) {
    const Case &c = GetParam();
    tevrak::view::RobotState robot;
    robot.take(c.record);
    const json state = json::parse(robot.state_json(7));
    EXPECT_EQ(state.at(json::json_pointer(c.pointer)), c.value);
    EXPECT_DOUBLE_EQ(state.at(json::json_pointer(c.age)).get<double>(), 1000.5);
    EXPECT_EQ(state["dropped"], 7);
}

INSTANTIATE_TEST_SUITE_P(
    OneCallEach, RobotStateRecords,
    testing::Values(Case{"SetSpeed", make({0xF8, 0x00, 0xC8, 0xFF, 0xEF}, {}, 1000.5), "/drive/linear", 200,
                         "/ages/speed"},
                    Case{"Position", make({0xF1}, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D}, 1000.5), "/odometry",
                         json{{"x", 10}, {"y", -10}, {"heading", 157}}, "/ages/odometry"},
                    Case{"DriveStatus", make({0xDA}, {0x02}, 1000.5), "/drive/status", 2, "/ages/status"},
                    Case{"Encoder", make({0xE5, 0x02}, {0x00, 0x00, 0x01, 0x02}, 1000.5), "/encoders", json{0, 258},
                         "/ages/encoders/2"},
                    Case{"Sensor", make({0xF0, 0x03}, {0x01, 0x2C}, 1000.5), "/sensors",
                         json{{{"psd", 3}, {"raw", 300}}}, "/ages/sensors/3"},
                    Case{"Servo", make({0xF3, 0x01, 0x80}, {}, 1000.5), "/servos", json{{1, 128}}, "/ages/servos/1"},
                    Case{"Motor", make({0xED, 0x02, 0xCE}, {}, 1000.5), "/motors", json{{2, -50}}, "/ages/motors/2"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RobotState, AFailedCallChangesNoValueButShowsTheBoardGone) {
    tevrak::view::RobotState robot;
    robot.take(make({0xF0, 0x01}, {0x01, 0x2C}, 10));
    robot.take(make({0xF0, 0x01}, {}, 11, 2));  // link_failed
    const json state = json::parse(robot.state_json(0));
    EXPECT_EQ(state["sensors"], (json{{{"psd", 1}, {"raw", 300}}}));
    EXPECT_EQ(state["ages"]["sensors"]["1"], 10.0);
    EXPECT_EQ(state["board"]["plugged"], false);
}

TEST(RobotState, TheTrailFollowsTheOdometryFromTheArenasCentre) {
    tevrak::view::RobotState robot;
    robot.take(make({0xF1}, {0, 0, 0, 0, 0, 0}, 1));
    robot.take(make({0xF1}, {0, 1, 0, 0, 0, 0}, 2));  // 1 mm: the same point
    robot.take(make({0xF1}, {0x01, 0xF4, 0, 0, 0, 0}, 3));
    ASSERT_EQ(robot.trail().size(), 2u);
    EXPECT_EQ(robot.trail()[1].x, tevrak::view::RobotState::kArena / 2 + 500);
}

// Rays of the real robot: the reading through the sensor's table of the
// hdt.txt, drawn from the rim in the sensor's direction as the odometry
// last turned the robot.
struct RayCase {
    const char *name;
    std::uint8_t psd;
    std::uint8_t heading_low;  // odometry heading, hundredths of a radian
    json ray;                  // {"distance", "from", "to"}; null: no ray
};

class RobotStateRays : public testing::TestWithParam<RayCase> {};

TEST_P(RobotStateRays, ComeFromTheTableAndTheOdometry) {
    const RayCase &c = GetParam();
    tevrak::view::RobotState robot;
    // Sensor 1: 4 entries (raw 2048 selects entry 1); 2: no table; 3: no direction.
    robot.place_sensors(tevrak::view::sensor_places(
        "PSD front ft\nPSD left -\nPSD back ft\nTABLE ft 100 250 400 550\nDRIVE 1 2\n", {0, 90}));
    robot.take(make({0xF1}, {0x01, 0xF4, 0x00, 0x00, 0x00, c.heading_low}, 1));  // x 500 mm
    robot.take(make({0xF0, c.psd}, {0x08, 0x00}, 2));                            // raw 2048
    const json sensor = json::parse(robot.state_json(0))["sensors"][0];
    EXPECT_EQ(sensor["psd"], c.psd);
    if (c.ray.is_null()) {
        EXPECT_FALSE(sensor.contains("from")) << sensor;
        return;
    }
    EXPECT_EQ(sensor["distance"], c.ray["distance"]);
    for (const char *end : {"from", "to"}) {
        for (int axis : {0, 1}) {
            EXPECT_NEAR(sensor[end][axis].get<double>(), c.ray[end][axis].get<double>(), 0.5) << end << sensor;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ThreeSensors, RobotStateRays,
    testing::Values(RayCase{"TableAhead", 1, 0, json{{"distance", 250}, {"from", {2600, 2000}}, {"to", {2850, 2000}}}},
                    // Heading 157 hundredths: the robot faces +y, so "ahead" is +y.
                    RayCase{"TableTurned", 1, 157,
                            json{{"distance", 250}, {"from", {2500, 2100}}, {"to", {2500, 2350}}}},
                    RayCase{"NoTableGivesTheRawReading", 2, 0,
                            json{{"distance", 2048}, {"from", {2500, 2100}}, {"to", {2500, 4148}}}},
                    RayCase{"NoDirectionNoRay", 3, 0, json(nullptr)}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
