// Queries: frames, reply decodings, stray input and the status wait.
#include <gtest/gtest.h>

#include <array>

#include "drive_test_support.h"
#include "tevrak/drive.h"

namespace {

using namespace tevrak::test;

TEST(DriveQueries, SpeedAndPositionReplies) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.set_reply(0xD8, {0xFF, 0xFF, 0x00, 0x4E});
    robot.board.set_reply(0xF1, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});

    int linear = 7, angular = 7;
    ASSERT_EQ(VWGetSpeed(&linear, &angular), 0);
    EXPECT_EQ(linear, -1);
    EXPECT_EQ(angular, 44);  // 78 * 180 / 314 truncated

    int x = 7, y = 7, heading = 7;
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, -10);
    EXPECT_EQ(heading, 90);

    // Unwanted results may be skipped.
    robot.board.set_reply(0xF1, {0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF});
    ASSERT_EQ(VWGetPosition(&x, nullptr, nullptr), 0);
    EXPECT_EQ(x, -32768);
    ASSERT_EQ(VWGetSpeed(nullptr, &angular), 0);

    EXPECT_EQ(wire_after_frames(robot, 4), (Bytes{0x0D, 0xD8, 0x0D, 0xF1, 0x0D, 0xF1, 0x0D, 0xD8}));
}

TEST(DriveQueries, RemainingDistanceIsUnsigned) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.set_reply(0xFA, {0xFF, 0xFE});
    EXPECT_EQ(VWDriveRemain(), 65534);
    robot.board.set_reply(0xFA, {0x01, 0x00});
    EXPECT_EQ(VWDriveRemain(), 256);
    EXPECT_EQ(wire_after_frames(robot, 2), (Bytes{0x0D, 0xFA, 0x0D, 0xFA}));
}

TEST(DriveQueries, StatusDoneAndStalled) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    for (int status : {0, 1, 2, 255}) {
        robot.board.set_reply(0xDA, {static_cast<std::uint8_t>(status)});
        EXPECT_EQ(VWDriveDone(), status);
        EXPECT_EQ(VWStalled(), status == 2 ? 0 : 1) << status;
    }
    EXPECT_EQ(robot.board.frames(), std::vector<Bytes>(8, Bytes{0xDA}));
}

TEST(DriveQueries, StrayBytesBeforeTheMarkerAreSkipped) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.set_reply_prefix({0x00, 0x0D, 'x', 0xFF, 0x3C});
    robot.board.set_reply(0xF1, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});
    robot.board.set_reply(0xFA, {0x12, 0x34});
    int x = 0, y = 0, heading = 0;
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ((std::array{x, y, heading}), (std::array{10, -10, 90}));
    EXPECT_EQ(VWDriveRemain(), 0x1234);
}

TEST(DriveQueries, WaitPollsUntilTheManoeuvreIsDone) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    for (std::uint8_t status : {0, 0, 2, 1}) robot.board.queue_reply(0xDA, {'>', status});
    robot.board.set_reply(0xDA, {0});  // never reached
    EXPECT_EQ(VWDriveWait(), 0);
    EXPECT_EQ(robot.board.frames(), std::vector<Bytes>(4, Bytes{0xDA}));
    EXPECT_EQ(robot.board.probes(), 4);  // a link check per poll
}

}  // namespace
