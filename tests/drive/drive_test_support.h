// Shared steps of the drive tests against the simulated board.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "drive/testing.h"
#include "support/board_fixture.h"

namespace tevrak::test {

// The gains hdt.txt lines most tests start with.
inline constexpr std::string_view kDriveHdt = "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\n";
inline const Bytes kSetupFrame{0xF7, 0x02, 0x1C, 0x00, 0x64, 0x00, 0xC8, 0x04};
inline const Bytes kGainsFrame{0xC1, 0x0A, 0x1E, 0x14, 0x28};

// Starts the unit (set-up frame and gains step) and forgets what the board
// has seen so far.
inline void start_unit(SimRobot &robot) {
    ASSERT_EQ(VWInit(), 0);
    ASSERT_TRUE(robot.board.wait_for_frames(2));
    robot.board.clear();
}

// Runs a full start-up with the given hdt.txt body and returns the frames
// the board received: the set-up frame and the gains step's frame.
inline std::vector<Bytes> full_startup_frames(SimRobot &robot, std::string_view hdt_body) {
    robot.write_hdt(hdt_body);
    drive::reset();
    robot.board.clear();
    EXPECT_EQ(VWInit(), 0);
    EXPECT_TRUE(robot.board.wait_for_frames(2));
    return robot.board.frames();
}

// Waits for the n-th frame since the last clear and returns the wire.
inline Bytes wire_after_frames(SimRobot &robot, std::size_t n) {
    EXPECT_TRUE(robot.board.wait_for_frames(n));
    return robot.board.wire();
}

// A link check answered at once followed by frame: what a started unit puts
// on the wire for one command.
inline Bytes checked(Bytes frame) {
    frame.insert(frame.begin(), 0x0D);
    return frame;
}

}  // namespace tevrak::test
