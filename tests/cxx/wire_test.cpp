// Every call of the C++ interface puts the same bytes on the wire as the C
// function it wraps, and gives the same result.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "cxx/cxx_test_support.h"
#include "drive/testing.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace tevrak::test;
using Results = std::vector<int>;

struct WireCase {
    const char *name;
    std::function<Results()> c_call;
    std::function<Results()> cxx_call;
    Bytes wire;          // link check and frame(s), as the board received them
    std::size_t frames;  // frames in wire
};

// What the board received for one call, once its frames are in (and a
// moment more, so that a stray extra frame would show).
Bytes wire_of(SimRobot &robot, const std::function<Results()> &call, std::size_t frames, Results &results) {
    robot.board.clear();
    results = call();
    robot.board.wait_for_frames(frames);
    robot.board.wait_for_frames(frames + 1, std::chrono::milliseconds(30));
    return robot.board.wire();
}

TEST(CxxWire, EveryCallSendsTheBytesOfItsCFunction) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    tevrak::Drive drive;
    ASSERT_TRUE(robot.board.wait_for_frames(2));  // its set-up and gains
    tevrak::Servo servo(1);
    tevrak::Motor motor(1);
    tevrak::Encoder encoder(2);
    tevrak::DistanceSensor sensor(1);
    int a = 0, b = 0, c = 0;

    const std::vector<WireCase> cases = {
        {"start-up",
         [] {
             tevrak::drive::state.VWInitialised = 0;
             return Results{VWInit()};
         },
         [] {
             tevrak::drive::state.VWInitialised = 0;
             tevrak::Drive();
             return Results{0};
         },
         {0x0D, 0xF7, 0x02, 0x1C, 0x00, 0x64, 0x00, 0xC8, 0x04, 0x0D, 0xC1, 0x0A, 0x1E, 0x14, 0x28},
         2},
        {"set_speed",
         [] { return Results{VWSetSpeed(100, 90)}; },
         [&] {
             drive.set_speed(100, 90);
             return Results{0};
         },
         {0x0D, 0xF8, 0x00, 0x64, 0x00, 0x9D},
         1},
        {"straight",
         [] { return Results{VWStraight(1000, 200)}; },
         [&] {
             drive.straight(1000, 200);
             return Results{0};
         },
         {0x0D, 0xF9, 0x00, 0xC8, 0x03, 0xE8},
         1},
        {"turn",
         [] { return Results{VWTurn(90, 45)}; },
         [&] {
             drive.turn(90, 45);
             return Results{0};
         },
         {0x0D, 0xD9, 0x00, 0x4E, 0x00, 0x9D},
         1},
        {"curve",
         [] { return Results{VWCurve(500, 90, 150)}; },
         [&] {
             drive.curve(500, 90, 150);
             return Results{0};
         },
         {0x0D, 0xC3, 0x01, 0xF4, 0x00, 0x9D, 0x00, 0x96},
         1},
        {"drive_to",
         [] { return Results{VWDrive(300, 0, 150)}; },
         [&] {
             drive.drive_to(300, 0, 150);
             return Results{0};
         },
         {0x0D, 0xC3, 0x01, 0x2C, 0x00, 0x00, 0x00, 0x96},
         1},
        {"set_position",
         [] { return Results{VWSetPosition(10, -10, 90)}; },
         [&] {
             drive.set_position({10, -10, 90});
             return Results{0};
         },
         {0x0D, 0xD1, 0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D},
         1},
        {"position",
         [&] {
             return Results{VWGetPosition(&a, &b, &c), a, b, c};
         },
         [&] {
             const auto p = drive.position();
             return Results{0, p.x, p.y, p.heading};
         },
         {0x0D, 0xF1},
         1},
        {"speed",
         [&] {
             return Results{VWGetSpeed(&a, &b), a, b};
         },
         [&] {
             const auto s = drive.speed();
             return Results{0, s.linear, s.angular};
         },
         {0x0D, 0xD8},
         1},
        {"remaining",
         [] { return Results{VWDriveRemain()}; },
         [&] { return Results{drive.remaining()}; },
         {0x0D, 0xFA},
         1},
        {"status", [] { return Results{VWDriveDone()}; }, [&] { return Results{drive.status()}; }, {0x0D, 0xDA}, 1},
        {"done", [] { return Results{VWDriveDone() == 1}; }, [&] { return Results{drive.done()}; }, {0x0D, 0xDA}, 1},
        {"stalled",
         [] { return Results{VWStalled() == 0}; },
         [&] { return Results{drive.stalled()}; },
         {0x0D, 0xDA},
         1},
        {"stop",
         [] { return Results{VWSetSpeed(0, 0)}; },
         [&] {
             drive.stop();
             return Results{0};
         },
         {0x0D, 0xF8, 0x00, 0x00, 0x00, 0x00},
         1},
        {"control",
         [] { return Results{VWControl(1, 2, 3, 300)}; },
         [&] {
             drive.control(1, 2, 3, 300);
             return Results{0};
         },
         {0x0D, 0xC1, 0x01, 0x02, 0x03, 0x2C},
         1},
        {"control_off",
         [] { return Results{VWControlOff()}; },
         [&] {
             drive.control_off();
             return Results{0};
         },
         {0x0D, 0xD7},
         1},
        {"servo set",
         [] { return Results{SERVOSet(1, 128)}; },
         [&] {
             servo.set(128);
             return Results{0};
         },
         {0x0D, 0xF3, 0x01, 0x07},
         1},
        {"servo set_raw",
         [] { return Results{SERVOSetRaw(1, 300)}; },
         [&] {
             servo.set_raw(300);
             return Results{0};
         },
         {0x0D, 0xF3, 0x01, 0x2C},
         1},
        {"servo range",
         [] { return Results{SERVORange(1, 10, 200)}; },
         [&] {
             servo.range(10, 200);
             return Results{0};
         },
         {0x0D, 0xD3, 0x01, 0x0A, 0xC8},
         1},
        {"motor drive",
         [] { return Results{MOTORDrive(1, -50)}; },
         [&] {
             motor.drive(-50);
             return Results{0};
         },
         {0x0D, 0xED, 0x01, 0xEA},
         1},
        {"motor drive_raw",
         [] { return Results{MOTORDriveRaw(1, -100)}; },
         [&] {
             motor.drive_raw(-100);
             return Results{0};
         },
         {0x0D, 0xED, 0x01, 0x9C},
         1},
        {"motor stop",
         [] { return Results{MOTORDriveRaw(1, 0)}; },
         [&] {
             motor.stop();
             return Results{0};
         },
         {0x0D, 0xED, 0x01, 0x00},
         1},
        {"motor pid",
         [] { return Results{MOTORPID(1, 300, 1, 0)}; },
         [&] {
             motor.pid(300, 1, 0);
             return Results{0};
         },
         {0x0D, 0xE4, 0x01, 0x2C, 0x01, 0x00},
         1},
        {"motor pid_off",
         [] { return Results{MOTORPIDOff(1)}; },
         [&] {
             motor.pid_off();
             return Results{0};
         },
         {0x0D, 0xC4, 0x01},
         1},
        {"motor speed",
         [] { return Results{MOTORSpeed(1, 20)}; },
         [&] {
             motor.speed(20);
             return Results{0};
         },
         {0x0D, 0xCD, 0x01, 0x14},
         1},
        {"encoder read",
         [] { return Results{ENCODERRead(2)}; },
         [&] { return Results{encoder.read()}; },
         {0x0D, 0xE5, 0x02},
         1},
        {"encoder reset",
         [] {
             return Results{ENCODERReset(2), ENCODERRead(2)};
         },
         [&] {
             encoder.reset();
             return Results{0, encoder.read()};
         },
         {0x0D, 0xE5, 0x02, 0x0D, 0xE5, 0x02},
         2},
        {"sensor raw",
         [] { return Results{PSDGetRaw(1)}; },
         [&] { return Results{sensor.raw()}; },
         {0x0D, 0xF0, 0x01},
         1},
        {"sensor distance",
         [] { return Results{PSDGet(1)}; },
         [&] { return Results{sensor.distance()}; },
         {0x0D, 0xF0, 0x01},
         1},
    };
    for (const auto &row : cases) {
        Results c_results, cxx_results;
        EXPECT_EQ(wire_of(robot, row.c_call, row.frames, c_results), row.wire) << row.name << " (C)";
        EXPECT_EQ(wire_of(robot, row.cxx_call, row.frames, cxx_results), row.wire) << row.name << " (C++)";
        EXPECT_EQ(cxx_results, c_results) << row.name;
    }
    // The replies decode as the board meant them.
    EXPECT_EQ(drive.position(), (tevrak::Pose{10, -10, 90}));
    EXPECT_EQ(drive.speed(), (tevrak::Speed{100, 44}));
    EXPECT_EQ(drive.remaining(), 300);
    EXPECT_EQ(sensor.raw(), 0x0FFF);
}

// A StopGuard stops, also during unwinding, what was set moving and not
// stopped since, and nothing else.
TEST(CxxWire, StopGuardStopsWhatMoves) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    tevrak::Drive drive;
    tevrak::Motor motor(1);
    const Bytes stop_drive = {0x0D, 0xF8, 0x00, 0x00, 0x00, 0x00};
    const Bytes stop_motor = {0x0D, 0xED, 0x01, 0x00};
    Bytes both = stop_drive;
    both.insert(both.end(), stop_motor.begin(), stop_motor.end());
    const struct {
        std::function<void()> move;
        Bytes stops;
        std::size_t frames;
    } cases[] = {
        {[&] {
             drive.straight(1000, 200);
             motor.drive(50);
         },
         both, 2},
        {[&] {
             drive.set_speed(100, 0);
             motor.drive(50);
             motor.stop();
         },
         stop_drive, 1},
        {[&] {
             drive.turn(90, 45);
             drive.stop();
             motor.drive_raw(-20);
         },
         stop_motor, 1},
        {[&] {
             drive.set_speed(0, 0);
             motor.drive_raw(0);
         },
         {},
         0},
    };
    for (const auto &row : cases) {
        try {
            const tevrak::StopGuard guard;
            row.move();
            drive.status();  // a query: the board has read every command before it
            robot.board.clear();
            throw std::runtime_error("into the wall");
        } catch (const std::runtime_error &) {}
        robot.board.wait_for_frames(row.frames);
        robot.board.wait_for_frames(row.frames + 1, std::chrono::milliseconds(30));
        EXPECT_EQ(robot.board.wire(), row.stops) << row.frames;
    }
    // A board that stopped answering holds the stop up for 1 s, not 50.
    drive.set_speed(100, 0);
    drive.status();
    robot.board.set_silent(true);
    robot.board.clear();
    {
        const OutputCapture quiet;
        const tevrak::StopGuard guard;
    }
    EXPECT_EQ(robot.board.probes(), 2);
}

}  // namespace
