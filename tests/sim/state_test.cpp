// The simulator's state record on a fake clock: the robot's motion beside
// the command that set it, in the JSON line and in the text.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>

#include <nlohmann/json.hpp>

#include "sim/program/sim_state.h"

namespace {

using namespace std::chrono_literals;
namespace sim = tevrak::sim;

// A 4 m x 4 m arena with the robot (radius 100) at (1000, 2000) looking
// along +x: 2.9 m of free way ahead.
struct Fixture {
    sim::FakeClock clock;
    sim::World world{clock, sim::Arena(4000, 4000), sim::Pose{1000, 2000, 0}};
    sim::Peripherals peripherals;
};

struct MotionCase {
    const char *name;
    std::function<void(sim::World &)> command;
    std::chrono::milliseconds after;  // on the simulator's clock
    int status;
    sim::WireSpeed motion;
    sim::WireSpeed command_speeds;
};

void PrintTo(const MotionCase &c, std::ostream *out) { *out << c.name; }

class StateMotion : public testing::TestWithParam<MotionCase> {};

TEST_P(StateMotion, ShowsTheMotionBesideTheCommand) {
    const MotionCase &c = GetParam();
    Fixture f;
    c.command(f.world);
    f.clock.advance(c.after);
    const sim::SimState state = sim::capture_state(f.world, f.peripherals);
    const auto json = nlohmann::json::parse(sim::state_json(state));
    const auto &drive = json["drive"];
    EXPECT_EQ(drive["status"], c.status);
    EXPECT_EQ(drive["linear"], c.motion.linear);
    EXPECT_EQ(drive["angular"], c.motion.angular);
    EXPECT_EQ(drive["command"],
              (nlohmann::json{{"linear", c.command_speeds.linear}, {"angular", c.command_speeds.angular}}));
    const std::string text = sim::state_text(state);
    EXPECT_NE(text.find("speed: linear=" + std::to_string(c.motion.linear) +
                        " angular=" + std::to_string(c.motion.angular) + ", status=" + std::to_string(c.status)),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\ncommand: linear=" + std::to_string(c.command_speeds.linear) +
                        " angular=" + std::to_string(c.command_speeds.angular) + "\n"),
              std::string::npos)
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Drive, StateMotion,
    testing::Values(
        MotionCase{"Straight", [](sim::World &w) { w.straight(1000, 200); }, 1000ms, 0, {200, 0}, {200, 0}},
        // 2.9 m at 200 mm/s: the rim meets the wall after 14.5 s.
        MotionCase{"StalledAtTheWall", [](sim::World &w) { w.straight(5000, 200); }, 20s, 2, {0, 0}, {200, 0}},
        MotionCase{"StraightDone", [](sim::World &w) { w.straight(200, 200); }, 2s, 1, {0, 0}, {0, 0}},
        MotionCase{"Turning", [](sim::World &w) { w.turn(157, 100); }, 500ms, 0, {0, 100}, {0, 100}},
        // A continuous speed into the wall still turns.
        MotionCase{"PivotsAlongTheWall", [](sim::World &w) { w.set_speed(300, 5); }, 20s, 2, {0, 5}, {300, 5}},
        MotionCase{"Stopped",
                   [](sim::World &w) {
                       w.set_speed(300, 0);
                       w.set_speed(0, 0);
                   },
                   1s,
                   1,
                   {0, 0},
                   {0, 0}}),
    [](const testing::TestParamInfo<MotionCase> &info) { return std::string(info.param.name); });

TEST(StateDevices, AStoppedMotorStaysInTheRecordButLeavesTheText) {
    Fixture f;
    f.peripherals.servos[3] = {true, 128, 0, 255};
    f.peripherals.servos[1] = {false, 0, 10, 200};
    f.peripherals.motors[2] = {0, false, 0, 0, 0, 0, true};  // driven once, now stopped
    f.peripherals.motors[5] = {-100, false, 0, 0, 0, 0, true};
    const sim::SimState state = sim::capture_state(f.world, f.peripherals);
    const auto json = nlohmann::json::parse(sim::state_json(state));
    EXPECT_EQ(json["servos"], nlohmann::json::parse("[[1,null,10,200],[3,128,0,255]]"));
    EXPECT_EQ(json["motors"], nlohmann::json::parse("[[2,0,false,0,0,0,0],[5,-100,false,0,0,0,0]]"));
    const std::string text = sim::state_text(state);
    EXPECT_EQ(text.find("motor 2:"), std::string::npos) << text;
    EXPECT_NE(text.find("motor 5: power=-100 pid=off"), std::string::npos) << text;
    EXPECT_NE(text.find("servo 1: position=unset range=10..200\nservo 3: position=128 range=0..255\n"),
              std::string::npos)
        << text;
}

}  // namespace
