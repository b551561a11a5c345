// Start-up failures, failed link checks, replies that never come or come
// short, and the restart after each.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "drive_test_support.h"
#include "serial/serial_state.h"
#include "tevrak/drive.h"

namespace {

using namespace tevrak::test;
using tevrak::drive::VWInitialised;

struct Operation {
    const char *name;
    std::function<int()> call;
    int startup_failed;
    int link_failed;
};

int g_a = 11, g_b = 22, g_c = 33;  // result parameters that must stay unchanged

const std::vector<Operation> &operations() {
    static const std::vector<Operation> list = {
        {"VWControl", [] { return VWControl(1, 2, 3, 4); }, 1, 1},
        {"VWControlOff", [] { return VWControlOff(); }, 1, 1},
        {"VWSetSpeed", [] { return VWSetSpeed(1, 1); }, 1, 1},
        {"VWGetSpeed", [] { return VWGetSpeed(&g_a, &g_b); }, 1, 1},
        {"VWSetPosition", [] { return VWSetPosition(1, 1, 1); }, 1, 1},
        {"VWGetPosition", [] { return VWGetPosition(&g_a, &g_b, &g_c); }, 1, 1},
        {"VWStraight", [] { return VWStraight(1, 1); }, 1, 1},
        {"VWTurn", [] { return VWTurn(1, 1); }, 1, 1},
        {"VWCurve", [] { return VWCurve(1, 1, 1); }, 1, 1},
        {"VWDrive", [] { return VWDrive(1, 1, 1); }, 1, 1},
        {"VWDriveRemain", [] { return VWDriveRemain(); }, -1, 1},
        {"VWDriveDone", [] { return VWDriveDone(); }, -1, 1},
        {"VWDriveWait", [] { return VWDriveWait(); }, -1, 1},
        {"VWStalled", [] { return VWStalled(); }, -1, 1},
    };
    return list;
}

void expect_results_untouched() {
    EXPECT_EQ(g_a, 11);
    EXPECT_EQ(g_b, 22);
    EXPECT_EQ(g_c, 33);
}

TEST(DriveFailures, WithoutFileNothingStartsAndNothingIsSent) {
    SimRobot robot(kDriveHdt);
    robot.home.remove_hdt();
    OutputCapture cap;
    EXPECT_EQ(VWInit(), 1);
    for (const auto &operation : operations()) {
        EXPECT_EQ(operation.call(), operation.startup_failed) << operation.name;
    }
    std::string expected;
    for (std::size_t i = 0; i <= operations().size(); ++i) expected += "No HDT file present";
    EXPECT_EQ(cap.err(), expected);
    EXPECT_EQ(cap.out(), "");
    EXPECT_EQ(tevrak::serial::SERType, 0) << "the serial port was opened";
    EXPECT_EQ(VWInitialised, 0);
    EXPECT_TRUE(robot.board.wire().empty());
    expect_results_untouched();
}

TEST(DriveFailures, UnpluggedBoardGivesEachOperationsLinkCode) {
    SimRobot robot(kDriveHdt);
    for (const auto &operation : operations()) {
        robot.board.replug();
        ASSERT_EQ(VWInit(), 0) << operation.name;
        robot.board.unplug();
        OutputCapture cap;
        EXPECT_EQ(operation.call(), operation.link_failed) << operation.name;
        EXPECT_EQ(cap.err(), "VW: Timeout!!!\n") << operation.name;
        EXPECT_EQ(VWInitialised, 0) << operation.name;
        EXPECT_EQ(tevrak::serial::SERType, -1) << operation.name;
    }
    expect_results_untouched();
}

TEST(DriveFailures, NextCallAfterALinkFailureRestartsTheUnit) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.unplug();
    {
        OutputCapture cap;
        EXPECT_EQ(VWSetSpeed(100, 90), 1);
        EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    }
    EXPECT_EQ(VWInitialised, 0);
    robot.board.replug();
    robot.board.clear();
    ASSERT_EQ(VWSetSpeed(100, 90), 0);
    ASSERT_TRUE(robot.board.wait_for_frames(3));
    EXPECT_EQ(robot.board.frames(), (std::vector<Bytes>{kSetupFrame, kGainsFrame, {0xF8, 0x00, 0x64, 0x00, 0x9D}}));
    EXPECT_EQ(VWInitialised, 1);
}

// The wait starts the unit once and then only polls: when the start-up's
// gains step loses the board, the wait's own link check fails next (no second
// start-up in the middle of the wait).
TEST(DriveFailures, WaitStartsTheUnitOnceThenPolls) {
    SimRobot robot(kDriveHdt);
    robot.board.hang_up_after_bytes(9);  // the probe and the set-up frame, then gone
    OutputCapture cap;
    const int result = VWDriveWait();
    cap.stop();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(cap.err(), "VW: Timeout!!!\nerror opening port\nVW: Timeout!!!\n");
    EXPECT_EQ(robot.board.frames(), (std::vector<Bytes>{kSetupFrame}));
}

// A reply that never comes ends the query like a failed link check.
TEST(DriveFailures, MissingReplyMarker) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.queue_reply(0xF1, {});
    {
        OutputCapture cap;
        EXPECT_EQ(VWGetPosition(&g_a, &g_b, &g_c), 1);
        EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    }
    expect_results_untouched();
    EXPECT_EQ(VWInitialised, 0);

    // The next query starts the unit again and is answered.
    robot.board.clear();
    robot.board.set_reply(0xF1, {0x00, 0x01, 0x00, 0x02, 0x00, 0x00});
    ASSERT_EQ(VWGetPosition(&g_a, &g_b, &g_c), 0);
    EXPECT_EQ(g_a, 1);
    EXPECT_EQ(robot.board.frames().front(), kSetupFrame);
}

TEST(DriveFailures, MissingRemainReplyIsALinkFailure) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.queue_reply(0xFA, {});
    OutputCapture cap;
    EXPECT_EQ(VWDriveRemain(), 1);
    EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    EXPECT_EQ(VWInitialised, 0);
}

TEST(DriveFailures, ReplyCutShort) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.queue_reply(0xD8, {'>', 0xFF});
    OutputCapture cap;
    EXPECT_EQ(VWGetSpeed(&g_a, &g_b), 1);
    EXPECT_EQ(cap.err(), "VW: Timeout!!!\n");
    expect_results_untouched();
    EXPECT_EQ(VWInitialised, 0);
}

// The board sends only one of the two bytes: the single read returns 1.
TEST(DriveFailures, ShortRemainReply) {
    SimRobot robot(kDriveHdt);
    start_unit(robot);
    robot.board.queue_reply(0xFA, {'>', 0x01});
    {
        OutputCapture cap;
        EXPECT_EQ(VWDriveRemain(), -1);
        EXPECT_EQ(cap.err(), "VW: Incorrect No. Received Bytes!!!\n");
    }
    EXPECT_EQ(VWInitialised, 0);
    EXPECT_EQ(tevrak::serial::SERType, 1) << "the port stays open";

    robot.board.clear();
    robot.board.set_reply(0xFA, {0x00, 0x05});
    EXPECT_EQ(VWDriveRemain(), 5);
    EXPECT_EQ(robot.board.frames().front(), kSetupFrame);
}

}  // namespace
