// Start-up failures, failed link checks, replies that never come or come
// short, and the restart after each.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "drive_test_support.h"
#include "serial/testing.h"
#include "tevrak/drive.h"

namespace {

using namespace tevrak::test;

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
    EXPECT_EQ(tevrak::serial::state.SERType, 0) << "the serial port was opened";
    EXPECT_EQ(tevrak::drive::state.VWInitialised, 0);
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
        EXPECT_EQ(tevrak::drive::state.VWInitialised, 0) << operation.name;
        EXPECT_EQ(tevrak::serial::state.SERType, -1) << operation.name;
    }
    expect_results_untouched();
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

// A reply that never comes, or comes cut short, ends the query like a failed
// link check; the single-read remaining distance reports its own message and
// keeps the port. Either way the next query starts the unit again.
TEST(DriveFailures, MissingOrShortReplies) {
    struct Case {
        const char *name;
        std::uint8_t opcode;
        Bytes sent;                 // what the board sends instead of the reply
        std::function<int()> call;  // the query's result, or its decoded value once answered
        int failure;
        const char *message;
        Bytes reply;  // the answer after the restart
        int value;
    };
    const auto position = [] { return VWGetPosition(&g_a, &g_b, &g_c) == 0 ? g_a : 1; };
    const auto speed = [] { return VWGetSpeed(&g_a, &g_b) == 0 ? g_a : 1; };
    const Case cases[] = {
        {"MissingReplyMarker", 0xF1, {}, position, 1, "VW: Timeout!!!\n", {0x00, 0x01, 0x00, 0x02, 0x00, 0x00}, 1},
        {"MissingRemainReply", 0xFA, {}, VWDriveRemain, 1, "VW: Timeout!!!\n", {0x00, 0x05}, 5},
        {"ReplyCutShort", 0xD8, {'>', 0xFF}, speed, 1, "VW: Timeout!!!\n", {0xFF, 0xFF, 0x00, 0x4E}, -1},
        {"ShortRemainReply",
         0xFA,
         {'>', 0x01},
         VWDriveRemain,
         -1,
         "VW: Incorrect No. Received Bytes!!!\n",
         {0x00, 0x05},
         5},
    };
    SimRobot robot(kDriveHdt);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        start_unit(robot);
        robot.board.queue_reply(c.opcode, c.sent);
        {
            OutputCapture cap;
            EXPECT_EQ(c.call(), c.failure);
            EXPECT_EQ(cap.err(), c.message);
        }
        expect_results_untouched();
        EXPECT_EQ(tevrak::drive::state.VWInitialised, 0);
        if (c.failure == -1) {
            EXPECT_EQ(tevrak::serial::state.SERType, 1) << "the port stays open";
        }

        robot.board.clear();
        robot.board.set_reply(c.opcode, c.reply);
        EXPECT_EQ(c.call(), c.value);
        ASSERT_TRUE(robot.board.wait_for_frames(1));
        EXPECT_EQ(robot.board.frames().front(), kSetupFrame);
        g_a = 11, g_b = 22, g_c = 33;
    }
}

}  // namespace
