// Boards that misbehave without being unplugged: garbage, stray bytes, late
// and missing replies. Every wait is bounded and every result documented.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"

namespace {

using namespace std::chrono_literals;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;
using Clock = std::chrono::steady_clock;

TEST(BadBoard, GarbageBetweenCommandsIsSkipped) {
    SimRobot robot("KINEMA 0 0 0 0\n");
    robot.board.set_reply(0xF0, {0x12, 0x34});
    ASSERT_EQ(PSDGetRaw(1), 0x1234);
    // Garbage arriving while the library is idle: the next link check and
    // marker wait skip it.
    robot.board.send_raw({0x3F, 0x00, 0xFF, 0x0A, 0x0D, 0x55, 0xAA});
    EXPECT_EQ(PSDGetRaw(1), 0x1234);
    robot.board.set_reply_prefix({0xFF, 0x00, 0x0D, 0x0A, 0x3C});
    EXPECT_EQ(PSDGetRaw(1), 0x1234);
    int x = 0, y = 0, heading = 0;
    robot.board.set_reply(0xF1, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});
    EXPECT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, -10);
    EXPECT_EQ(heading, 90);
}

TEST(BadBoard, LateRepliesWithinAndBeyondTheBound) {
    SimRobot robot;
    robot.board.set_reply(0xE5, {0, 0, 0, 42});
    robot.board.set_reply_delay(1200ms);
    EXPECT_EQ(ENCODERRead(1), 42) << "two silent reads are within the bound";
    robot.board.set_reply_delay(2600ms);
    OutputCapture capture;
    const auto start = Clock::now();
    EXPECT_EQ(ENCODERRead(1), -1);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(capture.out(), "ENCODER: Timeout!!!\n");
    capture.stop();
    // The late reply arrives after the failure; the restart's link check
    // skips it and the next reading is right.
    robot.board.set_reply_delay(0ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ENCODERRead(1), 42);
}

TEST(BadBoard, ProbeAnswersAfterStrayBytes) {
    SimRobot robot;
    robot.board.queue_probe_answer({0x01, 0x02, 0x03, 0x04, 0x05, 0x3E});
    robot.board.set_reply(0xF0, {0x00, 0x07});
    EXPECT_EQ(PSDGetRaw(1), 7);
    EXPECT_EQ(robot.board.probes(), 6);
}

}  // namespace
