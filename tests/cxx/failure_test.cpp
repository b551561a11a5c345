// Every failure kind of every call throws the right exception with the code
// of its C function, and values that equal a failure code stay values.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cxx/cxx_test_support.h"
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
        {"set_position", [&] { drive.set_position({1, 1, 1}); }, "LinkError VW 1", "StartupError VW 1"},
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
    EXPECT_EQ(thrown_by([] { tevrak::Encoder(0); }), "Error ENCODER -1");
    EXPECT_EQ(thrown_by([] { tevrak::Encoder(5); }), "Error ENCODER -1");
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
        EXPECT_STREQ(e.what(), "VWInit: the unit could not start (code 1)");
    }
}

}  // namespace
