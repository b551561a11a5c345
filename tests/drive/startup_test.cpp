// VWInit, VWControl and VWControlOff against the simulated board.
#include <gtest/gtest.h>

#include "drive_test_support.h"
#include "serial/testing.h"
#include "tevrak/drive.h"

namespace {

using namespace tevrak::test;

TEST(DriveStartup, FirstStartupPutsSetupThenGainsOnTheWire) {
    SimRobot robot(kDriveHdt);
    OutputCapture cap;
    ASSERT_EQ(VWInit(), 0);
    Bytes expected = checked(kSetupFrame);
    const Bytes gains = checked(kGainsFrame);
    expected.insert(expected.end(), gains.begin(), gains.end());
    EXPECT_EQ(wire_after_frames(robot, 2), expected);
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 1);
    EXPECT_EQ(cap.err(), "");
    EXPECT_EQ(cap.out(), "");
}

TEST(DriveStartup, SetupFrameFromDriveAndEncoderLines) {
    struct Case {
        const char *hdt;
        Bytes setup;
    };
    const Case cases[] = {
        {"DRIVE 100 200 0 0\n", {0xF7, 0x00, 0x00, 0x00, 0x64, 0x00, 0xC8, 0x04}},
        {"DRIVE 100 200 0 -1\n", {0xF7, 0x00, 0x00, 0x00, 0x64, 0x00, 0xC8, 0x01}},
        {"DRIVE 100 200 5 0\n", {0xF7, 0x00, 0x00, 0x00, 0x64, 0x00, 0xC8, 0x02}},
        {"DRIVE 100 200 1 1\n", {0xF7, 0x00, 0x00, 0x00, 0x64, 0x00, 0xC8, 0x03}},
        {"DRIVE -1 70000 0 0\n", {0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x11, 0x70, 0x04}},  // words wrap
        {"ENCODER 2 999\nENCODER 1 540\n", {0xF7, 0x02, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x04}},
        {"ENCODER 1 540\nENCODER 2 999\n", {0xF7, 0x02, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x04}},
        {"ENCODER 1 7\nENCODER 1 540\n", {0xF7, 0x02, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x04}},  // last wins
        {"DRIVE 1 2 0 0\nDRIVEX 3 4 1 0\n", {0xF7, 0x00, 0x00, 0x00, 0x03, 0x00, 0x04, 0x02}},
        {" DRIVE 1 2 1 1\n", {0xF7, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}},  // not at line start
        // Missing lines and missing fields count as 0.
        {"", {0xF7, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}},
        {"ENCODER 1\nDRIVE 300\n", {0xF7, 0x00, 0x00, 0x01, 0x2C, 0x00, 0x00, 0x04}},
        {"DRIVE 1 2 0", {0xF7, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x04}},  // no final newline
    };
    SimRobot robot;
    for (const auto &c : cases) {
        const auto frames = full_startup_frames(robot, c.hdt);
        ASSERT_GE(frames.size(), 1u) << c.hdt;
        EXPECT_EQ(frames[0], c.setup) << c.hdt;
    }
}

TEST(DriveStartup, GainsStepFollowsTheKinemaLine) {
    struct Case {
        const char *hdt;
        Bytes gains;
    };
    const Case cases[] = {
        {"KINEMA 10 20 30 40\n", {0xC1, 0x0A, 0x1E, 0x14, 0x28}},  // first, third, second, fourth
        {"KINEMA 0 0 1 0\n", {0xC1, 0x00, 0x01, 0x00, 0x00}},
        {"KINEMA 300 0 0 0\n", {0xC1, 0x2C, 0x00, 0x00, 0x00}},
        {"KINEMA 256 0 0 0\n", {0xC1, 0x00, 0x00, 0x00, 0x00}},  // not zero, though its byte is
        {"KINEMA 0 0 0 0\n", {0xD7}},
        {"", {0xD7}},                                    // no line: controller off
        {"KINEMA 5\n", {0xC1, 0x05, 0x00, 0x00, 0x00}},  // short line
        {"KINEMA 1 2 3 4\nKINEMA 0 0 0 0\n", {0xD7}},    // last wins
    };
    SimRobot robot;
    for (const auto &c : cases) {
        const auto frames = full_startup_frames(robot, c.hdt);
        ASSERT_EQ(frames.size(), 2u) << c.hdt;
        EXPECT_EQ(frames[0][0], 0xF7) << c.hdt;
        EXPECT_EQ(frames[1], c.gains) << c.hdt;
    }
}

TEST(DriveStartup, SecondInitOnlyRepeatsTheGainsStep) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.write_hdt("ENCODER 1 1\nDRIVE 9 9 1 1\nKINEMA 1 2 3 4\n");
    ASSERT_EQ(VWInit(), 0);
    EXPECT_EQ(wire_after_frames(robot, 1), checked({0xC1, 0x01, 0x03, 0x02, 0x04}));

    robot.board.clear();
    robot.write_hdt("KINEMA 0 0 0 0\n");
    ASSERT_EQ(VWInit(), 0);
    EXPECT_EQ(wire_after_frames(robot, 1), checked({0xD7}));
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 1);
}

TEST(DriveStartup, InitWithoutFileKeepsAStartedUnit) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.home.remove_hdt();
    OutputCapture cap;
    EXPECT_EQ(VWInit(), 1);
    EXPECT_EQ(cap.err(), "No HDT file present");
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 1);
    // Still started: the next command goes out without a new start-up.
    ASSERT_EQ(VWControlOff(), 0);
    EXPECT_EQ(wire_after_frames(robot, 1), checked({0xD7}));
}

TEST(DriveStartup, ControlStartsTheUnitFirst) {
    SimRobot robot(kDriveHdt);
    ASSERT_EQ(VWControl(1, 2, 3, 4), 0);
    Bytes expected = checked(kSetupFrame);
    for (const Bytes &frame : {kGainsFrame, Bytes{0xC1, 0x01, 0x02, 0x03, 0x04}}) {
        const Bytes step = checked(frame);
        expected.insert(expected.end(), step.begin(), step.end());
    }
    EXPECT_EQ(wire_after_frames(robot, 3), expected);
}

TEST(DriveStartup, ControlSendsLowBytesAndControlOffItsOpcode) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    ASSERT_EQ(VWControl(300, -1, 256, 255), 0);
    ASSERT_EQ(VWControlOff(), 0);
    Bytes expected = checked({0xC1, 0x2C, 0xFF, 0x00, 0xFF});
    expected.push_back(0x0D);
    expected.push_back(0xD7);
    EXPECT_EQ(wire_after_frames(robot, 2), expected);
}

TEST(DriveStartup, LinkCheckFailures) {
    SimRobot robot(kDriveHdt);
    // The board never answers '>' to the set-up's link check.
    for (int i = 0; i < 100; ++i) robot.board.queue_probe_answer({'x'});
    {
        OutputCapture cap;
        EXPECT_EQ(VWInit(), 1);
        EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    }
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 0);
    EXPECT_EQ(tevrak::serial::state.SERType, -1);
    EXPECT_TRUE(robot.board.frames().empty());

    // Now the set-up gets through, but the gains step's link check fails:
    // VWInit still reports the unit started, the flag says otherwise.
    robot.board.clear();
    robot.board.queue_probe_answer({'>'});
    for (int i = 0; i < 100; ++i) robot.board.queue_probe_answer({'x'});
    {
        OutputCapture cap;
        EXPECT_EQ(VWInit(), 0);
        EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    }
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 0);
    EXPECT_EQ(robot.board.frames(), std::vector<Bytes>{kSetupFrame});
}

}  // namespace
