// Cycles on the wire: inside one, the single calls' frames without the
// repeated link checks; a failure ends it and the next call checks the link.
#include <gtest/gtest.h>

#include <thread>

#include "support/board_fixture.h"
#include "tevrak/cycle.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace std::chrono_literals;
using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

constexpr std::uint8_t CR = 0x0D;  // the link check's probe

// What the board saw, probes as their byte.
std::vector<Bytes> wire_events(const SimRobot &robot, std::size_t count) {
    EXPECT_TRUE(robot.board.wait_for_events(count));
    std::vector<Bytes> seen;
    for (const auto &event : robot.board.events()) seen.push_back(event.bytes);
    return seen;
}

struct Loop {
    int front, left, encoder;
};

// Two sensors, an encoder and a drive speed of 0.
Loop one_loop() {
    Loop loop{PSDGetRaw(1), PSDGetRaw(2), ENCODERRead(1)};
    EXPECT_EQ(VWSetSpeed(0, 0), 0);
    return loop;
}

class CycleWire : public testing::Test {
protected:
    void SetUp() override {
        robot.board.set_reply(0xF0, {0x07, 0xD0});
        robot.board.set_reply(0xE5, {0x00, 0x00, 0x01, 0x2C});
        one_loop();  // the units' start-ups
        // Answered: the board has seen every frame before it.
        EXPECT_EQ(PSDGetRaw(1), 2000);
        robot.board.clear();
    }
    SimRobot robot{"ENCODER 1 540\nDRIVE 60 180 0 0\nPSD front -\nPSD left -\n"};
};

TEST_F(CycleWire, SingleCallsEachCheckTheLink) {
    const Loop loop = one_loop();
    EXPECT_EQ(loop.front, 2000);
    EXPECT_EQ(loop.encoder, 300);
    EXPECT_EQ(wire_events(robot, 8),
              (std::vector<Bytes>{
                  {CR}, {0xF0, 0x01}, {CR}, {0xF0, 0x02}, {CR}, {0xE5, 0x01}, {CR}, {0xF8, 0x00, 0x00, 0x00, 0x00}}));
}

TEST_F(CycleWire, ACycleChecksTheLinkOnce) {
    ASSERT_EQ(CYCLEBegin(), 0);
    const Loop loop = one_loop();
    EXPECT_EQ(CYCLEEnd(), 0);
    EXPECT_EQ(loop.front, 2000);
    EXPECT_EQ(loop.left, 2000);
    EXPECT_EQ(loop.encoder, 300);
    EXPECT_EQ(wire_events(robot, 5),
              (std::vector<Bytes>{{CR}, {0xF0, 0x01}, {0xF0, 0x02}, {0xE5, 0x01}, {0xF8, 0x00, 0x00, 0x00, 0x00}}));
    // After the cycle, single calls again.
    robot.board.clear();
    EXPECT_EQ(PSDGetRaw(1), 2000);
    EXPECT_EQ(PSDGetRaw(1), 2000);
    EXPECT_EQ(wire_events(robot, 4), (std::vector<Bytes>{{CR}, {0xF0, 0x01}, {CR}, {0xF0, 0x01}}));
}

TEST_F(CycleWire, ASilentBoardEndsTheCycleAndTheNextCallChecksTheLink) {
    ASSERT_EQ(CYCLEBegin(), 0);
    EXPECT_EQ(PSDGetRaw(1), 2000);
    robot.board.set_silent(true);
    OutputCapture capture;
    EXPECT_EQ(PSDGetRaw(2), -1);
    capture.stop();
    EXPECT_EQ(capture.err(), "PSD: Timeout!!!\n");
    robot.board.set_silent(false);
    EXPECT_EQ(PSDGetRaw(1), 2000);
    EXPECT_EQ(ENCODERRead(1), 300);
    EXPECT_EQ(CYCLEEnd(), 1);
    EXPECT_EQ(wire_events(robot, 7),
              (std::vector<Bytes>{{CR}, {0xF0, 0x01}, {0xF0, 0x02}, {CR}, {0xF0, 0x01}, {CR}, {0xE5, 0x01}}));
}

TEST_F(CycleWire, ACxxCycleHoldsTheLinkAgainstOtherThreads) {
    std::thread other;
    {
        const tevrak::Cycle cycle;
        EXPECT_EQ(tevrak::DistanceSensor(1).raw(), 2000);
        other = std::thread([] { EXPECT_EQ(tevrak::DistanceSensor(2).raw(), 2000); });
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(tevrak::Encoder(1).read(), 300);
    }
    other.join();
    EXPECT_EQ(wire_events(robot, 5), (std::vector<Bytes>{{CR}, {0xF0, 0x01}, {0xE5, 0x01}, {CR}, {0xF0, 0x02}}));
}

TEST_F(CycleWire, ACxxCycleInsideAnotherIsPartOfIt) {
    {
        const tevrak::Cycle outer;
        EXPECT_EQ(tevrak::DistanceSensor(1).raw(), 2000);
        { const tevrak::Cycle inner; }
        EXPECT_EQ(tevrak::DistanceSensor(2).raw(), 2000);
    }
    EXPECT_EQ(tevrak::DistanceSensor(1).raw(), 2000);
    EXPECT_EQ(wire_events(robot, 5), (std::vector<Bytes>{{CR}, {0xF0, 0x01}, {0xF0, 0x02}, {CR}, {0xF0, 0x01}}));
}

}  // namespace
