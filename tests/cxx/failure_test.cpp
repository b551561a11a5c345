// Every failure kind of every call throws the right exception with the code
// of its C function, and values that equal a failure code stay values.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "actuators/testing.h"
#include "config/paths.h"
#include "cxx/cxx_test_support.h"
#include "cxx/link_wait.h"
#include "tevrak/drive.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace tevrak::test;
using namespace std::chrono_literals;
namespace op = tevrak::protocol::op;

struct FailureCase {
    const char *name;
    std::function<void()> call;
    const char *link_failed;     // the board is unplugged while the unit runs
    const char *startup_failed;  // the next call: the port cannot be opened
};

// The call again until it works (at most twice: a unit whose port another
// unit's failed start-up left unusable fails once more, as in C).
bool works_again(const std::function<void()> &call) {
    return thrown_by(call) == "nothing" || thrown_by(call) == "nothing";
}

TEST(CxxFailures, UnpluggedBoardAndUnopenablePortPerCall) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    robot.board.set_reply(op::VWDriveStatus, {0x01});  // so that wait() ends when all is well
    tevrak::Drive drive;
    tevrak::Servo servo(1);
    tevrak::Motor motor(1);
    tevrak::Encoder encoder(1);
    tevrak::DistanceSensor sensor(1);

    const std::vector<FailureCase> cases = {
        {"set_speed", [&] { drive.set_speed(1, 1); }, "LinkError VW 1", "StartupError VW 1"},
        {"straight", [&] { drive.straight(1, 1); }, "LinkError VW 1", "StartupError VW 1"},
        {"turn", [&] { drive.turn(1, 1); }, "LinkError VW 1", "StartupError VW 1"},
        {"curve", [&] { drive.curve(1, 1, 1); }, "LinkError VW 1", "StartupError VW 1"},
        {"drive_to", [&] { drive.drive_to(1, 1, 1); }, "LinkError VW 1", "StartupError VW 1"},
        {"set_position",
         [&] {
             drive.set_position({1, 1, 1});
         },
         "LinkError VW 1", "StartupError VW 1"},
        {"position", [&] { drive.position(); }, "LinkError VW 1", "StartupError VW 1"},
        {"speed", [&] { drive.speed(); }, "LinkError VW 1", "StartupError VW 1"},
        {"remaining", [&] { drive.remaining(); }, "LinkError VW 1", "StartupError VW -1"},
        {"status", [&] { drive.status(); }, "LinkError VW 1", "StartupError VW -1"},
        {"done", [&] { drive.done(); }, "LinkError VW 1", "StartupError VW -1"},
        {"stalled", [&] { drive.stalled(); }, "LinkError VW 1", "StartupError VW -1"},
        {"wait", [&] { drive.wait(); }, "LinkError VW 1", "StartupError VW -1"},
        {"wait_for", [&] { drive.wait_for(1s); }, "LinkError VW 1", "StartupError VW -1"},
        {"control", [&] { drive.control(1, 2, 3, 4); }, "LinkError VW 1", "StartupError VW 1"},
        {"control_off", [&] { drive.control_off(); }, "LinkError VW 1", "StartupError VW 1"},
        {"servo set", [&] { servo.set(128); }, "LinkError SERVO 1", "StartupError SERVO 1"},
        {"servo set_raw", [&] { servo.set_raw(1); }, "LinkError SERVO 1", "StartupError SERVO 1"},
        {"servo range", [&] { servo.range(1, 2); }, "LinkError SERVO 1", "StartupError SERVO 1"},
        {"motor drive", [&] { motor.drive(50); }, "LinkError MOTOR 1", "StartupError MOTOR 1"},
        {"motor drive_raw", [&] { motor.drive_raw(1); }, "LinkError MOTOR 1", "StartupError MOTOR 1"},
        {"motor pid", [&] { motor.pid(1, 2, 3); }, "LinkError MOTOR 1", "StartupError MOTOR 1"},
        {"motor pid_off", [&] { motor.pid_off(); }, "LinkError MOTOR 1", "StartupError MOTOR 1"},
        {"motor speed", [&] { motor.speed(1); }, "LinkError MOTOR 1", "StartupError MOTOR 1"},
        {"encoder read", [&] { encoder.read(); }, "LinkError ENCODER -1", "StartupError ENCODER -1"},
        {"encoder reset", [&] { encoder.reset(); }, "LinkError ENCODER -1", "StartupError ENCODER 1"},
        {"sensor raw", [&] { sensor.raw(); }, "LinkError PSD -1", "StartupError PSD -1"},
        {"sensor distance", [&] { sensor.distance(); }, "LinkError PSD -1", "StartupError PSD -1"},
    };
    for (const auto &row : cases) {
        robot.board.replug();
        ASSERT_TRUE(works_again(row.call)) << row.name;
        robot.board.unplug();
        EXPECT_EQ(thrown_by(row.call), row.link_failed) << row.name;
        EXPECT_EQ(thrown_by(row.call), row.startup_failed) << row.name;
    }
    // Every unit is stopped now and the port cannot be opened: the
    // constructors fail at their start-up.
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "StartupError VW 1");
    EXPECT_EQ(thrown_by([] { tevrak::Servo(1); }), "StartupError SERVO 1");
    EXPECT_EQ(thrown_by([] { tevrak::Encoder(1); }), "StartupError ENCODER 1");
    EXPECT_EQ(thrown_by([] { tevrak::DistanceSensor(1); }), "StartupError PSD 1");
}

// done() and stalled() never mistake a board that stopped answering for the
// status 1: a cut reply throws, a status of 1 is a value.
TEST(CxxFailures, StatusOneIsAValueAndAMissingReplyIsAnException) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    robot.board.set_reply(op::VWDriveStatus, {0x01});
    robot.board.set_reply(op::VWDriveRemain, {0x00, 0x01});
    tevrak::Drive drive;
    EXPECT_TRUE(drive.done());
    EXPECT_FALSE(drive.stalled());
    EXPECT_EQ(drive.remaining(), 1);

    struct Cut {
        const char *name;
        std::function<void()> call;
        std::uint8_t opcode;
        Bytes raw;  // what the board sends instead of its reply
        const char *thrown;
    };
    const std::vector<Cut> cases = {
        {"done", [&] { drive.done(); }, op::VWDriveStatus, {0x3E}, "LinkError VW 1"},
        {"stalled", [&] { drive.stalled(); }, op::VWDriveStatus, {0x3E}, "LinkError VW 1"},
        {"wait_for", [&] { drive.wait_for(5s); }, op::VWDriveStatus, {0x3E}, "LinkError VW 1"},
        {"position", [&] { drive.position(); }, op::VWGetPosition, {0x3E, 0x00, 0x01}, "LinkError VW 1"},
        {"remaining, short", [&] { drive.remaining(); }, op::VWDriveRemain, {0x3E, 0x01}, "LinkError VW -1"},
    };
    for (const auto &row : cases) {
        robot.board.queue_reply(row.opcode, row.raw);
        EXPECT_EQ(thrown_by(row.call), row.thrown) << row.name;
        EXPECT_EQ(thrown_by(row.call), "nothing") << row.name << ": the next call starts the unit afresh";
    }
}

TEST(CxxFailures, ReadingsEqualToTheFailureCodeAreReadings) {
    SimRobot robot(kCxxRobot);
    robot.board.set_reply(op::ENCODERRead, {0xFF, 0xFF, 0xFF, 0xFF});
    robot.board.set_reply(op::PSDGetRaw, {0x00, 0x10});  // the table's first entry: -1
    EXPECT_EQ(tevrak::Encoder(1).read(), -1);
    EXPECT_EQ(tevrak::DistanceSensor(1).distance(), -1);
}

TEST(CxxFailures, StartUpFailures) {
    SimRobot robot(kCxxRobot);
    robot.home.remove_hdt();
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "StartupError VW 1");
    try {
        tevrak::Drive();
    } catch (const tevrak::StartupError &e) {
        EXPECT_EQ(e.what(), "no hdt.txt at " + robot.home.hdt_path() +
                                " (the robot folder comes from set_home; run tevrak-setup there, or give set_home "
                                "your robot folder)");
    }
    // Numbers are checked against hdt.txt (two sensors, one servo, one motor).
    robot.write_hdt(kCxxRobot);
    const struct {
        std::function<void()> make;
        const char *thrown;
    } numbers[] = {
        {[] { tevrak::Encoder(0); }, "out_of_range encoder 0: this robot has encoders 1 to 4"},
        {[] { tevrak::Encoder(5); }, "out_of_range encoder 5: this robot has encoders 1 to 4"},
        {[] { tevrak::DistanceSensor(0); }, "out_of_range distance sensor 0: this robot has sensors 1 to 2 (hdt.txt)"},
        {[] { tevrak::DistanceSensor(3); }, "out_of_range distance sensor 3: this robot has sensors 1 to 2 (hdt.txt)"},
        {[] { tevrak::Servo(2); }, "out_of_range servo 2: this robot has only servo 1 (hdt.txt)"},
        {[] { tevrak::Motor(-1); }, "out_of_range motor -1: this robot has only motor 1 (hdt.txt)"},
        {[] { tevrak::DistanceSensor(2); }, "nothing"},
    };
    for (const auto &row : numbers) EXPECT_EQ(thrown_by(row.make), row.thrown);
    robot.write_hdt("SERVO s 10 200 st\n");
    tevrak::actuators::state.MOTORInitialised = 0;  // reloads the motor list
    EXPECT_EQ(thrown_by([] { tevrak::Motor(1); }), "out_of_range motor 1: this robot has no motors (hdt.txt)");
    robot.write_hdt(kCxxRobot);
    // The drive's start-up checks the link before its set-up frame: a board
    // that hangs up there is a link failure.
    robot.write_hdt(kCxxRobot);
    robot.board.hang_up_after_bytes(1);
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "LinkError VW 1");
    // Now the board's path leads nowhere.
    try {
        tevrak::Drive();
        ADD_FAILURE() << "nothing thrown";
    } catch (const tevrak::StartupError &e) {
        EXPECT_STREQ(e.function(), "VWInit");
        const std::string what = e.what();
        EXPECT_EQ(what.rfind("cannot open /", 0), 0u) << what;
        EXPECT_NE(what.find(": No such file or directory (is the board plugged in?)"), std::string::npos) << what;
    }
}

// A port the user may not open: the path, the system's reason, the hint.
TEST(CxxFailures, UnopenablePortNamesItsPathAndAHint) {
    if (geteuid() == 0) GTEST_SKIP() << "root opens any file";
    SimRobot robot(kCxxRobot);
    const std::string locked = robot.home.root() + "/dev/ttyLOCKED";
    robot.home.write_file("dev/ttyLOCKED", "");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    robot.home.write_listing("usb-Sim_board-1:" + locked + "\n");
    try {
        const OutputCapture quiet;
        tevrak::DistanceSensor(1);
        ADD_FAILURE() << "nothing thrown";
    } catch (const tevrak::StartupError &e) {
        EXPECT_EQ(e.what(), "cannot open " + locked + ": Permission denied (is your user in the dialout group?)");
    }
}

// A stall ends every wait with StalledError; a wait with a time limit takes
// any duration.
TEST(CxxFailures, StallEndsWaits) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);  // status 2: stalled
    tevrak::Drive drive;
    EXPECT_EQ(thrown_by([&] { drive.wait(); }), "StalledError VW 2");
    EXPECT_EQ(thrown_by([&] { drive.wait_for(std::chrono::duration<double>(30.0)); }), "StalledError VW 2");
    robot.board.set_reply(op::VWDriveStatus, {0x00});
    EXPECT_FALSE(drive.wait_for(std::chrono::duration<double, std::milli>(20.5)));
    std::ostringstream printed;
    printed << tevrak::Pose{500, -3, 90} << " " << tevrak::Speed{200, -45};
    EXPECT_EQ(printed.str(), "Pose(x=500, y=-3, heading=90) Speed(linear=200, angular=-45)");
}

// A silent board: a bounded link check gives up after fewer probes, and an
// interrupt check ends a waiting call after its first slice; either way the
// unit starts afresh on the next call.
TEST(CxxFailures, LinkCheckBoundAndInterrupt) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    tevrak::Drive drive;
    robot.board.set_silent(true);
    tevrak::set_link_timeout(600ms);
    robot.board.clear();
    EXPECT_EQ(thrown_by([&] { drive.position(); }), "LinkError VW 1");
    EXPECT_EQ(robot.board.probes(), 2) << "one probe per 0.5 s read, not 100";
    tevrak::set_link_timeout(std::nullopt);

    static int asked = 0;
    tevrak::cxx::set_interrupt_check([] { return ++asked >= 3; });
    robot.board.clear();
    EXPECT_EQ(thrown_by([&] { drive.position(); }), "LinkError VW 1");
    EXPECT_EQ(asked, 3) << "asked after each empty slice, never after it cancelled";
    EXPECT_EQ(robot.board.probes(), 1);
    robot.board.set_silent(false);
    EXPECT_EQ(drive.position(), (tevrak::Pose{10, -10, 90}));
    tevrak::cxx::set_interrupt_check(nullptr);
    EXPECT_THROW(tevrak::set_link_timeout(0ms), std::invalid_argument);
}

// What a call threw, word for word; "nothing" when it threw nothing.
std::string thrown_text(const std::function<void()> &call) {
    try {
        call();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "nothing";
}

// A missing hdt.txt names where the robot folder came from and what to do.
struct HintCase {
    const char *origin_name;
    tevrak::paths::Origin origin;
    const char *hint;
};

class StartupHint : public ::testing::TestWithParam<HintCase> {};

TEST_P(StartupHint, NamesWhereTheRobotFolderCameFrom) {
    SimRobot robot(kCxxRobot);
    robot.home.remove_hdt();
    tevrak::paths::set_home(robot.home.root(), GetParam().origin);
    OutputCapture output;
    EXPECT_EQ(thrown_text([] { tevrak::Drive(); }), "no hdt.txt at " + robot.home.hdt_path() + GetParam().hint);
    output.stop();
    EXPECT_EQ(output.err(), "") << "the exception says it all";
}

INSTANTIATE_TEST_SUITE_P(
    Origins, StartupHint,
    ::testing::Values(
        HintCase{"environment", tevrak::paths::Origin::environment,
                 " (the robot folder comes from TEVRAK_HOME; run tevrak-setup there, or point TEVRAK_HOME at your "
                 "robot folder)"},
        HintCase{"program", tevrak::paths::Origin::program,
                 " (the robot folder comes from set_home; run tevrak-setup there, or give set_home your robot "
                 "folder)"},
        HintCase{"built_in", tevrak::paths::Origin::built_in,
                 " (the robot folder is the built-in default; run tevrak-setup, or set TEVRAK_HOME or call "
                 "set_home with your robot folder)"}),
    [](const auto &info) { return std::string(info.param.origin_name); });

// The unit's message of a failed call is part of the exception, not on the
// terminal; the C function called directly still writes it.
TEST(CxxFailures, TheUnitsMessageGoesIntoTheException) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    tevrak::Drive drive;
    robot.board.queue_reply(op::VWGetPosition, {0x3E, 0x00, 0x01});
    OutputCapture output;
    EXPECT_EQ(thrown_text([&] { drive.position(); }),
              "VWGetPosition: the board did not answer (code 1) [VW: Timeout!!!]");
    EXPECT_EQ(thrown_text([&] { drive.position(); }), "nothing") << "nothing held over to the next call";
    robot.board.queue_reply(op::VWGetPosition, {0x3E, 0x00, 0x01});
    int x = 0, y = 0, heading = 0;
    EXPECT_NE(VWGetPosition(&x, &y, &heading), 0);
    output.stop();
    EXPECT_EQ(output.err(), "VW: Timeout!!!\n");
    EXPECT_EQ(output.out(), "");
}

}  // namespace
