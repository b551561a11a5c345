// Encoder reads and resets against the simulated board: the 32-bit count,
// software zeros, encoder numbers outside 1 to 4, missing replies.
#include <gtest/gtest.h>

#include <climits>

#include "actuators/testing.h"
#include "hdt_text.h"
#include "support/board_fixture.h"
#include "tevrak/motor.h"

namespace {

using namespace tevrak::test;
namespace actuators = tevrak::actuators;

constexpr std::uint8_t kEncoder = 0xE5;

Bytes count_bytes(std::int32_t count) {
    const auto bits = static_cast<std::uint32_t>(count);
    return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}

// A board whose encoder n counts counts[n - 1].
void answer_counts(SimRobot &robot, const Offsets &counts) {
    robot.board.set_responder([counts](std::span<const std::uint8_t> frame) -> std::optional<Bytes> {
        if (frame[0] != kEncoder || frame[1] < 1 || frame[1] > 4) return std::nullopt;
        return count_bytes(counts[frame[1] - 1u]);
    });
}

TEST(EncoderRead, CountIsSignedBigEndian) {
    SimRobot robot;
    robot.board.set_reply(kEncoder, {0xFF, 0xFF, 0xFF, 0xFE});
    EXPECT_EQ(ENCODERRead(1), -2);
    robot.board.set_reply(kEncoder, {0x01, 0x02, 0x03, 0x04});
    EXPECT_EQ(ENCODERRead(4), 0x01020304);
    robot.board.set_reply(kEncoder, {0x80, 0x00, 0x00, 0x00});
    EXPECT_EQ(ENCODERRead(2), INT_MIN);
    EXPECT_EQ(robot.board.frames(), (std::vector<Bytes>{{kEncoder, 1}, {kEncoder, 4}, {kEncoder, 2}}));
}

TEST(EncoderReset, ZeroIsPerEncoder) {
    SimRobot robot;
    answer_counts(robot, {5, 1000, -7, 0});
    EXPECT_EQ(ENCODERReset(2), 0);
    EXPECT_EQ(actuators::state.ENCODERBaseVal, (Offsets{0, 1000, 0, 0}));
    EXPECT_EQ(ENCODERRead(2), 0) << "the board's count has not moved";
    EXPECT_EQ(ENCODERRead(1), 5) << "other encoders keep their zero";
    EXPECT_EQ(ENCODERReset(3), 0);
    answer_counts(robot, {5, 1250, -10, 0});
    EXPECT_EQ(ENCODERRead(2), 250);
    EXPECT_EQ(ENCODERRead(3), -3);
    EXPECT_EQ(actuators::state.ENCODERBaseVal, (Offsets{0, 1000, -7, 0}));
    EXPECT_EQ(robot.board.frames().size(), 6u) << "a reset sends the same query as a read";
}

TEST(EncoderRead, DifferenceWrapsAroundInThirtyTwoBits) {
    SimRobot robot;
    answer_counts(robot, {INT_MAX, INT_MIN, 0, 0});
    EXPECT_EQ(ENCODERReset(1), 0);
    answer_counts(robot, {INT_MIN + 1, INT_MAX, 0, 0});
    EXPECT_EQ(ENCODERRead(1), 2) << "the counter passed its end by 2";
    EXPECT_EQ(ENCODERReset(2), 0);
    answer_counts(robot, {0, INT_MIN, 0, 0});
    EXPECT_EQ(ENCODERRead(2), 1);
}

TEST(EncoderNumbers, OutsideOneToFourTouchNothingAndSendNothing) {
    SimRobot robot;
    answer_counts(robot, {7, 8, 9, 10});
    ASSERT_EQ(ENCODERReset(1), 0);
    ASSERT_EQ(ENCODERReset(4), 0);
    const auto wire_before = robot.board.wire();
    for (int encoder : {0, 5, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(ENCODERRead(encoder), -1) << encoder;
        EXPECT_EQ(ENCODERReset(encoder), -1) << encoder;
    }
    EXPECT_EQ(actuators::state.ENCODERBaseVal, (Offsets{7, 0, 0, 10}));
    EXPECT_EQ(robot.board.wire(), wire_before);
    EXPECT_EQ(actuators::state.MOTORInitialised, 1);
}

TEST(EncoderFailures, LinkCheckMessageStreamDependsOnTheOperation) {
    SimRobot robot;
    answer_counts(robot, {11, 22, 33, 44});
    ASSERT_EQ(ENCODERReset(1), 0);
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(ENCODERRead(1), -1);
        EXPECT_EQ(capture.out(), "ENCODER: Timeout!!!\n");
        EXPECT_EQ(capture.err(), "");
    }
    EXPECT_EQ(actuators::state.MOTORInitialised, 0);
    robot.board.replug();
    ASSERT_EQ(ENCODERReset(1), 0);  // starts afresh
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(ENCODERReset(1), -1);
        EXPECT_EQ(capture.out(), "");
        EXPECT_EQ(capture.err(), "ENCODER: Timeout!!!\n");
    }
    EXPECT_EQ(actuators::state.MOTORInitialised, 0);
    EXPECT_EQ(actuators::state.ENCODERBaseVal[0], 11) << "a failed reset keeps the zero";
}

}  // namespace
