// tevrak-teleop driven from its terminal (a pseudo-terminal here) against
// tevrak-sim: a key moves the robot at once, and every way the hand goes
// away stops it: no key for the lease, space, q, Ctrl-C, SIGTERM, SIGINT,
// the terminal hanging up, and (through the library) SIGKILL.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tools/teleop/teleop_support.h"

namespace tevrak::test {
namespace {

using namespace std::chrono_literals;

enum class End { lease, space, q, ctrl_c, sigterm, sigint, hangup, sigkill };

struct KeyCase {
    const char *name;
    std::string keys;  // typed once the tool runs
    SimSpeed want;     // what the board must be sent
    End end;           // how the hand goes away
    int exit_status;   // the tool's, or -1: still running
};

void PrintTo(const KeyCase &c, std::ostream *out) { *out << c.name; }

class TeleopKeys : public testing::TestWithParam<KeyCase> {};

const KeyCase kKeyCases[] = {
    {"ArrowNormalModeThenLease", "\x1b[A", {50, 0}, End::lease, -1},
    {"ArrowApplicationModeThenLease", "\x1bOA", {50, 0}, End::lease, -1},
    {"ModifiedArrowThenSpace", "\x1b[1;5B", {-50, 0}, End::space, -1},
    {"LeftArrowThenQ", "\x1b[D", {0, board_angular(15)}, End::q, 0},
    {"RightApplicationModeThenCtrlC", "\x1bOC", {0, -board_angular(15)}, End::ctrl_c, 0},
    {"WTwiceThenSigterm", "ww", {100, 0}, End::sigterm, 128 + SIGTERM},
    {"SThenSigint", "s", {-50, 0}, End::sigint, 128 + SIGINT},
    {"DThenHangup", "d", {0, -board_angular(15)}, End::hangup, 128 + SIGHUP},
    // The tool cannot stop the robot itself: the library's stop on death does.
    {"AThenSigkill", "a", {0, board_angular(15)}, End::sigkill, 128 + SIGKILL},
};

TEST_P(TeleopKeys, KeyDrivesAndTheHandGoingAwayStops) {
    const KeyCase &c = GetParam();
    TeleopSim robot;
    const auto started = std::chrono::steady_clock::now();
    PtyTool tool(robot, {});
    ASSERT_TRUE(tool.wait_output("| linear 0 mm/s")) << tool.output();

    const auto typed = std::chrono::steady_clock::now();
    tool.type(c.keys);
    const auto moved = robot.wait_until(
        [&](SimSpeed s) { return s.linear == c.want.linear && s.angular == c.want.angular; }, typed, 1500ms);
    ASSERT_TRUE(moved) << "the key did not move the robot; status line:\n" << tool.output();
    report_figure("key to motion", *moved);

    if (c.end == End::lease) {
        // Still driving well inside the lease (checked when the machine lets
        // the question come back in time).
        std::this_thread::sleep_until(typed + 300ms);
        const SimSpeed inside = robot.speed();
        if (std::chrono::steady_clock::now() < typed + 450ms) {
            EXPECT_TRUE(inside.moving()) << "stopped before the lease";
        }
    }
    const auto stopping = std::chrono::steady_clock::now();
    switch (c.end) {
    case End::lease: break;
    case End::space: tool.type(" "); break;
    case End::q: tool.type("q"); break;
    case End::ctrl_c: tool.type("\x03"); break;
    case End::sigterm: ::kill(tool.pid(), SIGTERM); break;
    case End::sigint: ::kill(tool.pid(), SIGINT); break;
    case End::hangup: tool.hang_up(); break;
    case End::sigkill: ::kill(tool.pid(), SIGKILL); break;
    }
    const auto stopped = robot.wait_until([](SimSpeed s) { return !s.moving(); }, stopping, 3s);
    ASSERT_TRUE(stopped) << "still moving";
    if (c.end == End::lease) {
        const auto since_key = std::chrono::duration_cast<std::chrono::milliseconds>(stopping - typed) + *stopped;
        EXPECT_LE(since_key, 2500ms);
        report_figure("key to stop by the 0.5 s lease", since_key);
        // Sent again and again while it drove: at least 10 a second.
        int moving_sends = 0;
        for (const SimSpeed &speed : robot.sent_speeds()) moving_sends += speed.moving() ? 1 : 0;
        EXPECT_GE(moving_sends, 5) << "speed commands in the 0.5 s lease";
        std::printf("[ figure   ] speed commands in the 0.5 s lease: %d\n", moving_sends);
        // The status line, rewritten in place, at most 10 times a second.
        const std::string shown = tool.output();
        int lines = 0;
        for (auto at = shown.find("| linear"); at != std::string::npos; at = shown.find("| linear", at + 1)) ++lines;
        const auto ran =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        EXPECT_LE(lines, ran / 100ms + 2) << "status lines in " << ran.count() << " ms";
        EXPECT_GE(lines, 3) << "the status line shows the speed changing";
    } else {
        report_figure("hand gone to stop", *stopped);
    }
    EXPECT_EQ(tool.wait_exit(c.exit_status < 0 ? 300ms : 2s), c.exit_status) << tool.output();
    EXPECT_FALSE(robot.speed().moving());
}

INSTANTIATE_TEST_SUITE_P(Cases, TeleopKeys, testing::ValuesIn(kKeyCases),
                         [](const auto &info) { return std::string(info.param.name); });

// No input goes beyond the limits the options set, however often a key
// steps or however long a remote's key is held.
struct LimitCase {
    const char *name;
    std::vector<std::string> args;
    std::string keys;     // typed, or
    std::string ir_hold;  // a remote key held ("KEY_UP 8")
    SimSpeed limit;
};

void PrintTo(const LimitCase &c, std::ostream *out) { *out << c.name; }

class TeleopLimits : public testing::TestWithParam<LimitCase> {};

const LimitCase kLimitCases[] = {
    {"KeysDefault", {}, "wwwwwwwwwwaaaaaaaaaa", "", {150, board_angular(90)}},
    {"KeysRaisedByOption",
     {"--max-linear", "250", "--max-angular", "120"},
     "wwwwwwwwwwwwddddddddddddd",
     "",
     {250, -board_angular(120)}},
    {"KeysBigStepsLowered", {"--max-linear", "80", "--step-linear", "500"}, "sss", "", {-80, 0}},
    {"RemoteHeldKey", {"--input", "ir"}, "", "KEY_UP 12", {150, 0}},
};

TEST_P(TeleopLimits, NoInputGoesBeyondTheLimit) {
    const LimitCase &c = GetParam();
    TeleopSim robot;
    PtyTool tool(robot, c.args);
    ASSERT_TRUE(tool.wait_output("| linear 0 mm/s")) << tool.output();
    const auto start = std::chrono::steady_clock::now();
    if (!c.keys.empty()) tool.type(c.keys);
    if (!c.ir_hold.empty()) robot.control("key " + c.ir_hold);
    ASSERT_TRUE(robot.wait_until([&](SimSpeed s) { return s.linear == c.limit.linear && s.angular == c.limit.angular; },
                                 start, 3s))
        << "the limit was not reached; status line:\n"
        << tool.output();
    tool.type(" q");
    EXPECT_EQ(tool.wait_exit(2s), 0);
    // The board may read the last frames after the tool ended.
    EXPECT_TRUE(robot.wait_until([](SimSpeed s) { return !s.moving(); }, std::chrono::steady_clock::now(), 2s));
    const auto sent = robot.sent_speeds();
    ASSERT_FALSE(sent.empty());
    for (const SimSpeed &speed : sent) {
        EXPECT_LE(std::abs(speed.linear), std::abs(c.limit.linear));
        EXPECT_LE(std::abs(speed.angular), std::abs(c.limit.angular) + 1);
    }
    EXPECT_EQ(sent.back().linear, 0);
    EXPECT_EQ(sent.back().angular, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TeleopLimits, testing::ValuesIn(kLimitCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tevrak::test

namespace tevrak::test {
namespace {

// Options that would make the tool unsafe or cannot be met are refused
// before anything moves: the exit status and the first words of the reason.
struct RefusedCase {
    const char *name;
    std::vector<std::string> args;
    int exit_status;
    const char *message;
};

void PrintTo(const RefusedCase &c, std::ostream *out) { *out << c.name; }

class TeleopRefuses : public testing::TestWithParam<RefusedCase> {};

const RefusedCase kRefusedCases[] = {
    {"UnknownInput", {"--input", "mouse"}, 2, "tevrak-teleop: --input needs keys, pad or ir"},
    {"NoLimit", {"--max-linear", "0"}, 2, "tevrak-teleop: --max-linear needs a whole number from 1 to 2000"},
    {"LimitAboveTheCap",
     {"--max-angular", "1000"},
     2,
     "tevrak-teleop: --max-angular needs a whole number from 1 to 720"},
    {"RateBelowTenASecond", {"--rate", "5"}, 2, "tevrak-teleop: --rate needs a whole number from 10 to 50"},
    {"LeaseOfNothing", {"--lease", "0"}, 2, "tevrak-teleop: --lease needs seconds from 0.05 to 10"},
#if TEVRAK_TELEOP_HAS_PAD
    {"UnknownDeadman", {"--input", "pad", "--deadman", "nosuch"}, 1, "tevrak-teleop: --deadman nosuch: no such button"},
#else
    {"PadNotBuiltIn", {"--input", "pad"}, 1, "tevrak-teleop: the pad input is not available"},
#endif
};

TEST_P(TeleopRefuses, BeforeAnythingMoves) {
    const RefusedCase &c = GetParam();
    TeleopSim robot;
    PtyTool tool(robot, c.args);
    EXPECT_EQ(tool.wait_exit(10s), c.exit_status);
    EXPECT_TRUE(tool.wait_output(c.message, 2s)) << tool.output();
    EXPECT_TRUE(robot.sent_speeds().empty()) << "nothing may reach the drive";
}

INSTANTIATE_TEST_SUITE_P(Cases, TeleopRefuses, testing::ValuesIn(kRefusedCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tevrak::test

namespace tevrak::test {
namespace {

// --measure-keys shows the gaps between a held key's repeats: the first is
// the terminal's auto-repeat delay, the ones after it its rate.
TEST(TeleopMeasureKeys, ShowsTheGapsOfARepeatedKey) {
    TeleopSim robot;
    PtyTool tool(robot, {"--measure-keys"});
    ASSERT_TRUE(tool.wait_output("hold a key")) << tool.output();
    tool.type("w");
    ASSERT_TRUE(tool.wait_output("press"));
    std::this_thread::sleep_for(300ms);
    tool.type("w");
    ASSERT_TRUE(tool.wait_output("first repeat after "));
    tool.type("q");
    EXPECT_EQ(tool.wait_exit(2s), 0);
    int delay = 0;
    const std::string shown = tool.output();
    ASSERT_EQ(std::sscanf(shown.c_str() + shown.find("first repeat after "), "first repeat after %d ms", &delay), 1);
    EXPECT_GE(delay, 300);
    EXPECT_LT(delay, 1000) << "a gap of a second or more starts a new press";
    EXPECT_TRUE(robot.sent_speeds().empty()) << "measuring drives nothing";
}

}  // namespace
}  // namespace tevrak::test
