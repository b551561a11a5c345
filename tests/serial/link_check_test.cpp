// Link check and transport against the simulated board.
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>

#include "serial/serial_state.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
using tevrak::sim::Bytes;
namespace serial = tevrak::serial;

TEST(LinkCheck, BoardAnsweringTheFirstProbe) {
    tevrak::test::SimRobot robot;
    robot.board.queue_probe_answer({'>', 'x', 'y'});  // more behind its answer
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 10ms) << "the pause before the queues are discarded";
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D}));
    char buffer[4];
    EXPECT_EQ(SERReceive(1, buffer, 4), 0) << "queues are empty after the check";
}

TEST(LinkCheck, StrayBytesUseUpTries) {
    tevrak::test::SimRobot robot;
    robot.board.queue_probe_answer({'a', 'b', 'c', '>'});
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    EXPECT_EQ(SERCheck(1), 0);
    EXPECT_EQ(robot.board.probes(), 4);
}

TEST(LinkCheck, UnpluggedBoardFailsFastAndCloses) {
    tevrak::test::SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    robot.board.unplug();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(serial::SERType, -1);
}

}  // namespace
