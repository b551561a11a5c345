// tevrak-teleop driven by the IR remote: the simulator's `key` command holds
// a button (a repeat every 110 ms); the robot drives while the repeats come
// and stops soon after the last one, or at once on OK.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "remote/private_lircd.h"
#include "tools/teleop/teleop_support.h"

namespace tevrak::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kRepeatInterval = 110ms;
constexpr auto kRemoteLease = 200ms;

struct RemoteCase {
    const char *name;
    const char *button;
    int repeats;
    SimSpeed first;  // its direction after the press
    bool ok_stops;   // OK is pressed while the robot drives
};

void PrintTo(const RemoteCase &c, std::ostream *out) { *out << c.name; }

class TeleopRemote : public testing::TestWithParam<RemoteCase> {};

const RemoteCase kRemoteCases[] = {
    {"UpHeld", "KEY_UP", 6, {50, 0}, false},
    {"DownHeld", "KEY_DOWN", 4, {-50, 0}, false},
    {"LeftHeld", "KEY_LEFT", 3, {0, board_angular(15)}, false},
    {"RightPressedOnce", "KEY_RIGHT", 0, {0, -board_angular(15)}, false},
    {"UpThenOk", "KEY_UP", 0, {50, 0}, true},
};

TEST_P(TeleopRemote, HeldKeyDrivesAndStopsAfterTheLastRepeat) {
    const RemoteCase &c = GetParam();
    TeleopSim robot;
    PtyTool tool(robot, {"--input", "ir"});
    ASSERT_TRUE(tool.wait_output("| linear 0 mm/s")) << tool.output();

    const auto pressed = std::chrono::steady_clock::now();
    robot.control("key " + std::string(c.button) + " " + std::to_string(c.repeats));
    const auto moved = robot.wait_until(
        [&](SimSpeed s) { return s.linear * c.first.linear > 0 || s.angular * c.first.angular > 0; }, pressed, 1500ms);
    ASSERT_TRUE(moved) << tool.output();
    report_figure("remote key to motion", *moved);

    if (c.ok_stops) {
        const auto ok = std::chrono::steady_clock::now();
        ASSERT_TRUE(simulate_key(robot.lirc_socket(), "KEY_OK", 0));
        const auto stopped = robot.wait_until([](SimSpeed s) { return !s.moving(); }, ok, 2s);
        ASSERT_TRUE(stopped);
        report_figure("OK to stop", *stopped);
    } else {
        const auto stopped = robot.wait_until([](SimSpeed s) { return !s.moving(); }, pressed, 6s);
        ASSERT_TRUE(stopped);
        // The last repeat comes repeats x 110 ms after the press at the
        // earliest; the lease runs from it.
        const auto last_repeat = kRepeatInterval * c.repeats;
        EXPECT_GE(*stopped, last_repeat + kRemoteLease) << "stopped while the key was held";
        EXPECT_LE(*stopped, last_repeat + 2s);
        report_figure("last repeat to stop (0.2 s lease)", *stopped - last_repeat);
    }
    tool.type("q");
    EXPECT_EQ(tool.wait_exit(2s), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TeleopRemote, testing::ValuesIn(kRemoteCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tevrak::test
