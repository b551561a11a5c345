// A board that never answers: each unit gives up after its link check's 100
// probes (about 50 s). Slow: runs apart with the "slow" label.
#include <gtest/gtest.h>

#include <chrono>

#include "support/board_fixture.h"
#include "tevrak/drive.h"

namespace {

using namespace std::chrono_literals;

TEST(SilentBoard, DriveGivesUpWithItsTimeoutMessage) {
    tevrak::test::SimRobot robot("KINEMA 0 0 0 0\n");
    robot.board.set_silent(true);
    tevrak::test::OutputCapture capture;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VWInit(), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(took, 45s);
    EXPECT_LT(took, 60s);
    EXPECT_EQ(capture.err(), "VW: Timeout!!!\n");
}

}  // namespace
