// Damaged hardware description files: every unit starts with what it can
// read, and nothing crashes.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "drive/testing.h"
#include "platform/hdt_loader.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/serial.h"
#include "tevrak/servo.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

tevrak::drive::DriveSettings settings_of(const std::string &text) {
    tevrak::test::TempHome home;
    home.write_hdt(text);
    tevrak::hdt::LineReader reader(home.hdt_path().c_str());
    return tevrak::drive::read_drive_settings(reader);
}

// Every unit against the board with this file; returns the drive's set-up frame.
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
    SimRobot robot("ENCODER 1 540 extra 9\nDRIVE 7\nKINEMA\nSERVO s\nMOTOR\nMOTOR m mt more fields\n"
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

TEST(BadHdtFile, DeviceNamingAMissingTable) {
    SimRobot robot("PSD front nothere\n");
    robot.board.set_reply(0xF0, {0x01, 0x23});
    OutputCapture capture;
    EXPECT_EQ(PSDGet(1), 0x123);
    EXPECT_EQ(capture.err(), "PSD: No table, returning raw value\n");
}

}  // namespace
