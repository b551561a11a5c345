// Damaged hardware description files: every unit starts with what it can
// read, and nothing crashes.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>

#include "../actuators/hdt_text.h"
#include "actuators/testing.h"
#include "drive/testing.h"
#include "platform/hdt_loader.h"
#include "rangers/testing.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/serial.h"
#include "tevrak/servo.h"

namespace {

using namespace tevrak::test;
namespace actuators = tevrak::actuators;
namespace rangers = tevrak::rangers;

tevrak::drive::DriveSettings settings_of(const std::string &text) {
    tevrak::test::TempHome home;
    home.write_hdt(text);
    tevrak::hdt::LineReader reader(home.hdt_path().c_str());
    return tevrak::drive::read_drive_settings(reader);
}

// Every unit against the board with this file; returns the drive's set-up frame.
// Puts every unit back to its state at program start with this file and
// forgets what the board received: the next call starts its unit afresh.
void restart_units(SimRobot &robot, const char *hdt) {
    robot.write_hdt(hdt);
    actuators::reset();
    rangers::reset();
    robot.board.clear();
}

Bytes start_everything(SimRobot &robot) {
    robot.board.set_reply(0xF0, {0x08, 0x00});
    OutputCapture capture;
    EXPECT_EQ(VWInit(), 0);
    EXPECT_EQ(SERVOSet(1, 100), 0);
    EXPECT_EQ(MOTORDrive(2, 50), 0);
    EXPECT_GE(PSDGet(3), 0);
    EXPECT_EQ(ENCODERRead(1), 0);
    EXPECT_TRUE(robot.board.wait_for_frames(6));
    const auto frames = robot.board.frames();
    return frames.empty() ? Bytes{} : frames.front();
}

TEST(BadHdtFile, EmptyFileGivesZeroSettingsAndNoDevices) {
    const auto settings = settings_of("");
    EXPECT_EQ(settings.encoder, 0);
    EXPECT_EQ(settings.flag_code, 4);
    EXPECT_EQ(settings.controller, (std::array<int, 4>{}));
    tevrak::test::TempHome home;
    home.write_hdt("");
    EXPECT_EQ(HDTLoadSERVO(home.hdt_path().c_str(), 0), nullptr);
    EXPECT_EQ(SERGetPaths(), 0);
}

TEST(BadHdtFile, BinaryGarbage) {
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (auto &c : garbage) c = static_cast<char>(random());
    SimRobot robot(garbage);
    EXPECT_EQ(start_everything(robot), (Bytes{0xF7, 0, 0, 0, 0, 0, 0, 0x04})) << "no setting read from garbage";
}

TEST(BadHdtFile, TenMegabyteLine) {
    SimRobot robot("DRIVE 100 200 0 0\n" + std::string(10 * 1024 * 1024, '7') + "\nKINEMA 0 0 0 0\n");
    EXPECT_EQ(start_everything(robot), (Bytes{0xF7, 0, 0, 0x00, 0x64, 0x00, 0xC8, 0x04}));
}

TEST(BadHdtFile, MissingAndExtraFields) {
    SimRobot robot(
        "ENCODER 1 540 extra 9\nDRIVE 7\nKINEMA\nSERVO s\nMOTOR\nMOTOR m mt more fields\n"
        "PSD p\nTABLE mt 1 2 3 4 5 6 7 8 9 10\nTABLE\n");
    EXPECT_EQ(start_everything(robot), (Bytes{0xF7, 0x02, 0x1C, 0x00, 0x07, 0x00, 0x00, 0x04}));
    // Motor 2 is "m" with table mt: speed 50 uses entry 4.
    bool found = false;
    for (const auto &frame : robot.board.frames()) found |= frame == Bytes{0xED, 0x02, 0x05};
    EXPECT_TRUE(found);
}

TEST(BadHdtFile, CarriageReturnLineEnds) {
    // The carriage return stays in the last field: numbers still read, but
    // names at the line's end never match (the servo finds no table).
    SimRobot robot("DRIVE 100 200 0 1\r\nKINEMA 0 0 0 0\r\nSERVO s 0 255 st\r\nTABLE st 1 2 3\r\n");
    OutputCapture capture;
    EXPECT_EQ(VWInit(), 0);
    EXPECT_EQ(SERVOSet(1, 100), 0);
    EXPECT_EQ(capture.out(), "No Servo table\n");
    ASSERT_TRUE(robot.board.wait_for_frames(3));
    const auto frames = robot.board.frames();
    EXPECT_EQ(frames[0], (Bytes{0xF7, 0, 0, 0x00, 0x64, 0x00, 0xC8, 0x01}));
    EXPECT_EQ(frames[1], (Bytes{0xD7}));
    EXPECT_EQ(frames[2], (Bytes{0xF3, 0x01, 0x64}));
}

TEST(BadHdtFile, TabsDoNotSeparate) {
    const auto settings = settings_of("DRIVE\t100 200 1 0\nKINEMA 1\t2 3 4\n");
    EXPECT_EQ(settings.drive_first, 200) << "the key's field is \"DRIVE\\t100\"";
    EXPECT_EQ(settings.drive_second, 1);
    EXPECT_EQ(settings.controller, (std::array<int, 4>{1, 3, 4, 0}));
}

TEST(BadHdtFile, HugeAndNegativeNumbers) {
    const auto settings = settings_of("DRIVE 99999999999 -99999999999 -5 0\nENCODER 1 -1\n");
    EXPECT_EQ(settings.drive_first, INT_MAX);
    EXPECT_EQ(settings.drive_second, INT_MIN);
    EXPECT_EQ(settings.flag_code, 2);
    const auto frame = tevrak::drive::setup_frame(settings);
    EXPECT_EQ(Bytes(frame.bytes().begin(), frame.bytes().end()),
              (Bytes{0xF7, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02}));

    SimRobot robot("SERVO s -99999999999 99999999999 st\nTABLE st 5 6 7 8\n");
    EXPECT_EQ(SERVOSet(1, 1000), 0) << "limits beyond the table clamp the index";
    ASSERT_TRUE(robot.board.wait_for_frames(1));
    EXPECT_EQ(robot.board.frames()[0], (Bytes{0xF3, 0x01, 0x08}));
}

TEST(BadHdtFile, DuplicateKeysLastWins) {
    const auto settings = settings_of("KINEMA 1 2 3 4\nDRIVE 1 1 1 1\nKINEMA 0 0 0 0\nDRIVE 2 2 0 0\n");
    EXPECT_EQ(settings.controller, (std::array<int, 4>{}));
    EXPECT_EQ(settings.drive_first, 2);
    EXPECT_EQ(settings.flag_code, 4);
}

// Each row: a file that leaves the device asked for without a table. The call
// falls back to the value it was given (the sensor: the raw reading), says so
// once, and sends the one frame it would send with a table.
TEST(BadHdtFile, DeviceWithoutATableFallsBackToTheRawValue) {
    struct Case {
        const char *name;
        const char *hdt;
        std::function<int()> call;
        int result;
        const char *out;
        const char *err;
        Bytes frame;
        const int &started;
    };
    const int &servos = actuators::state.SERVOInitialised, &motors = actuators::state.MOTORInitialised;
    const int &psds = rangers::state.PSDInitialised;
    const auto servo = [](int n) { return [n] { return SERVOSet(n, 300); }; };
    const auto motor = [](int n) { return [n] { return MOTORDrive(n, -300); }; };
    const auto psd = [](int n) { return [n] { return PSDGet(n); }; };
    const char *servo_note = "No Servo table\n", *motor_note = "No Motor Table\n";
    const char *psd_note = "PSD: No table, returning raw value\n";
    const Case cases[] = {
        {"ServoEmptyTableLine",
         "SERVO s1 20 230 st\nTABLE st\n",
         servo(1),
         0,
         servo_note,
         "",
         {0xF3, 0x01, 0x2C},
         servos},
        {"ServoDashTable",
         "SERVO s1 20 230 -\nTABLE - 1 2 3\n",
         servo(1),
         0,
         servo_note,
         "",
         {0xF3, 0x01, 0x2C},
         servos},
        {"ServoUnknownTable", "SERVO s1 20 230 nowhere\n", servo(1), 0, servo_note, "", {0xF3, 0x01, 0x2C}, servos},
        {"ServoBeyondTheList",
         "SERVO s1 20 230 st\nTABLE st 1 2 3\n",
         servo(4),
         0,
         servo_note,
         "",
         {0xF3, 0x04, 0x2C},
         servos},
        {"NoServoAtAll", "TABLE st 1 2 3\n", servo(1), 0, servo_note, "", {0xF3, 0x01, 0x2C}, servos},
        {"MotorEmptyTableLine", "MOTOR m1 mt\nTABLE mt\n", motor(1), 0, motor_note, "", {0xED, 0x01, 0xD4}, motors},
        {"MotorDashTable", "MOTOR m1 -\n", motor(1), 0, motor_note, "", {0xED, 0x01, 0xD4}, motors},
        {"MotorBeyondTheList", "MOTOR m1 mt\nTABLE mt 1 2\n", motor(3), 0, motor_note, "", {0xED, 0x03, 0xD4}, motors},
        {"NoMotorAtAll", "SERVO s1 0 255 st\nTABLE mt 1 2\n", motor(1), 0, motor_note, "", {0xED, 0x01, 0xD4}, motors},
        {"PsdEmptyTableLine", "PSD front pt\nTABLE pt\n", psd(1), 3000, "", psd_note, {0xF0, 0x01}, psds},
        {"PsdDashTable", "PSD front -\n", psd(1), 3000, "", psd_note, {0xF0, 0x01}, psds},
        {"PsdUnknownTable", "PSD front nothere\n", psd(1), 3000, "", psd_note, {0xF0, 0x01}, psds},
        {"PsdBeyondTheList", "PSD front pt\nTABLE pt 1 2\n", psd(5), 3000, "", psd_note, {0xF0, 0x05}, psds},
        {"NoSensorAtAll", "TABLE pt 1 2\n", psd(1), 3000, "", psd_note, {0xF0, 0x01}, psds},
    };
    SimRobot robot;
    robot.board.set_reply(0xF0, {0x0B, 0xB8});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        restart_units(robot, c.hdt);
        OutputCapture capture;
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(capture.out(), c.out);
        EXPECT_EQ(capture.err(), c.err);
        EXPECT_EQ(settled_frames(robot.board, 1), std::vector<Bytes>{c.frame});
        EXPECT_EQ(c.started, 1);
    }
}

// Each row: a file without a single device of the unit's kind. The unit still
// starts, once, without sending anything: the wire holds only the link check
// and the frame of the command after it. Only the motors' start-up zeroes the
// encoders.
TEST(BadHdtFile, UnitWithoutDevicesStillStarts) {
    struct Case {
        const char *name;
        const char *hdt;
        std::function<int()> start;
        const int &started;
        std::function<bool()> no_list;
        Offsets encoders;  // after the start-up, from 1 2 3 4
        std::function<int()> command;
        Bytes wire;
    };
    const Case cases[] = {
        {"Servos",
         "MOTOR m1 mt\n",
         SERVOInit,
         actuators::state.SERVOInitialised,
         [] { return actuators::state.SERVOFirst == nullptr; },
         {1, 2, 3, 4},
         [] { return SERVOSetRaw(1, 5); },
         {0x0D, 0xF3, 0x01, 0x05}},
        {"Motors",
         "SERVO s1 0 255 -\n",
         MOTORInit,
         actuators::state.MOTORInitialised,
         [] { return actuators::state.MOTORFirst == nullptr; },
         {0, 0, 0, 0},
         [] { return MOTORDriveRaw(1, 5); },
         {0x0D, 0xED, 0x01, 0x05}},
        {"Sensors",
         "MOTOR m1 -\n",
         PSDInit,
         rangers::state.PSDInitialised,
         [] { return rangers::state.PSDFirst == nullptr; },
         {1, 2, 3, 4},
         [] { return PSDGetRaw(1); },
         {0x0D, 0xF0, 0x01}},
    };
    SimRobot robot;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        restart_units(robot, c.hdt);
        actuators::state.ENCODERBaseVal = {1, 2, 3, 4};
        EXPECT_EQ(c.start(), 0);
        EXPECT_EQ(c.started, 1);
        EXPECT_TRUE(c.no_list());
        EXPECT_EQ(actuators::state.ENCODERBaseVal, c.encoders);
        actuators::state.ENCODERBaseVal = {1, 2, 3, 4};
        EXPECT_EQ(c.start(), 0);
        EXPECT_EQ(actuators::state.ENCODERBaseVal, (Offsets{1, 2, 3, 4})) << "already started: no second start-up";
        EXPECT_EQ(c.command(), 0);  // its bytes come after any the start-up sent
        ASSERT_TRUE(robot.board.wait_for_frames(1));
        EXPECT_EQ(robot.board.wire(), c.wire) << "the start-up sends nothing";
    }
}

}  // namespace
