// A board that never answers: the link check gives up after its 100 tries of
// 0.5 s each. Slow (about 50 s); runs apart with the "slow" label.
#include <gtest/gtest.h>

#include <chrono>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;

TEST(SilentBoard, LinkCheckGivesUpAfterAHundredProbes) {
    tevrak::test::SimRobot robot;
    robot.board.set_silent(true);
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(took, 45s);
    EXPECT_LT(took, 60s);
    EXPECT_EQ(robot.board.probes(), 100);
    EXPECT_EQ(tevrak::serial::state.SERType, -1);
}

}  // namespace
