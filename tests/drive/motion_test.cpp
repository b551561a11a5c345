// Motion commands: the frame each one puts on the wire behind its link check.
#include <gtest/gtest.h>

#include <functional>

#include "drive_test_support.h"
#include "tevrak/drive.h"

namespace {

using namespace tevrak::test;

struct CommandCase {
    const char *what;
    std::function<int()> call;
    Bytes frame;
};

void expect_frames(const std::vector<CommandCase> &cases) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    for (const auto &c : cases) {
        robot.board.clear();
        ASSERT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(wire_after_frames(robot, 1), checked(c.frame)) << c.what;
    }
}

TEST(DriveMotion, SpeedPositionStraightTurnAndCurveFrames) {
    expect_frames({
        {"speed 100, 90", [] { return VWSetSpeed(100, 90); }, {0xF8, 0x00, 0x64, 0x00, 0x9D}},
        {"speed -100, -90", [] { return VWSetSpeed(-100, -90); }, {0xF8, 0xFF, 0x9C, 0xFF, 0x63}},
        {"position 0, 0, 45", [] { return VWSetPosition(0, 0, 45); }, {0xD1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4E}},
        {"position -1, 300, -1", [] { return VWSetPosition(-1, 300, -1); }, {0xD1, 0xFF, 0xFF, 0x01, 0x2C, 0xFF, 0xFF}},
        {"straight 1000 at 200", [] { return VWStraight(1000, 200); }, {0xF9, 0x00, 0xC8, 0x03, 0xE8}},
        {"turn 90 at 45", [] { return VWTurn(90, 45); }, {0xD9, 0x00, 0x4E, 0x00, 0x9D}},
        {"curve 500, 90, 100", [] { return VWCurve(500, 90, 100); }, {0xC3, 0x01, 0xF4, 0x00, 0x9D, 0x00, 0x64}},
        {"curve 500, -90, 100", [] { return VWCurve(500, -90, 100); }, {0xC3, 0x01, 0xF4, 0xFF, 0x63, 0x00, 0x64}},
        {"curve 18785 degrees", [] { return VWCurve(0, 18785, 0); }, {0xC3, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00}},
    });
}

TEST(DriveMotion, DriveToPointFrames) {
    expect_frames({
        {"1000, 1000", [] { return VWDrive(1000, 1000, 100); }, {0xC3, 0x06, 0x22, 0x00, 0x9D, 0x00, 0x64}},
        {"1000, -1000", [] { return VWDrive(1000, -1000, 100); }, {0xC3, 0x06, 0x22, 0xFF, 0x63, 0x00, 0x64}},
        {"300, 400", [] { return VWDrive(300, 400, 150); }, {0xC3, 0x02, 0x43, 0x00, 0xB9, 0x00, 0x96}},
        {"-1000, 1000", [] { return VWDrive(-1000, 1000, 100); }, {0xC3, 0x12, 0x68, 0x01, 0xD7, 0x00, 0x64}},
        {"-1000, -1000", [] { return VWDrive(-1000, -1000, 100); }, {0xC3, 0x12, 0x68, 0xFE, 0x29, 0x00, 0x64}},
        {"ahead", [] { return VWDrive(800, 0, 100); }, {0xC3, 0x03, 0x20, 0x00, 0x00, 0x00, 0x64}},
        {"behind", [] { return VWDrive(-800, 0, 100); }, {0xC3, 0xFC, 0xE0, 0x00, 0x00, 0x00, 0x64}},
        {"beside", [] { return VWDrive(0, 1000, 100); }, {0xC3, 0x06, 0x22, 0x01, 0x3A, 0x00, 0x64}},
        {"beside, negative", [] { return VWDrive(0, -1000, 100); }, {0xC3, 0x06, 0x22, 0xFE, 0xC6, 0x00, 0x64}},
        {"origin", [] { return VWDrive(0, 0, 100); }, {0xC3, 0x00, 0x00, 0x00, 0x00, 0x00, 0x64}},
    });
}

}  // namespace
