// Following the byte stream to the board: where a frame stands, what it set
// moving, and the bytes that stop it again.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "protocol/motion.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tevrak::protocol::FrameCursor;
using tevrak::protocol::Motion;

struct StreamCase {
    const char *name;
    Bytes sent;           // bytes that went to the board
    std::size_t missing;  // bytes the frame in progress still needs
    Bytes stop;           // what stops what they set moving
};

class MotionStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(MotionStream, FollowsFramesAndBuildsTheStop) {
    const auto &c = GetParam();
    Motion motion{};
    FrameCursor cursor;
    for (auto b : c.sent) cursor.feed(b, motion);
    EXPECT_EQ(cursor.missing(), c.missing);
    std::uint8_t out[tevrak::protocol::kMaxStopBytes];
    const auto n = tevrak::protocol::stop_frames(motion, out, sizeof out);
    EXPECT_EQ(Bytes(out, out + n), c.stop);
    EXPECT_EQ(motion.any(), !c.stop.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MotionStream,
    ::testing::Values(
        StreamCase{"nothing", {}, 0, {}},
        StreamCase{"probe_and_queries", {0x0D, 0xDA, 0x0D, 0xF0, 0x01, 0xE5, 0x02}, 0, {}},
        StreamCase{"set_speed", {0x0D, 0xF8, 0x00, 0x64, 0x00, 0x9D}, 0, {0xF8, 0x00, 0x00, 0x00, 0x00}},
        StreamCase{"half_straight", {0x0D, 0xF9, 0x00, 0xC8}, 2, {}},
        StreamCase{
            "straight_then_half_turn", {0xF9, 0x00, 0xC8, 0x01, 0xF4, 0xD9, 0x00}, 3, {0xF8, 0x00, 0x00, 0x00, 0x00}},
        StreamCase{"curve", {0xC3, 0, 1, 0, 2, 0, 3}, 0, {0xF8, 0x00, 0x00, 0x00, 0x00}},
        StreamCase{"position_only", {0xD1, 0, 0, 0, 0, 0, 0}, 0, {}},
        StreamCase{"servo_keeps_position", {0xF3, 0x01, 0x80}, 0, {}},
        StreamCase{"motor_raw", {0xED, 0x01, 0x9C}, 0, {0xCD, 0x01, 0x00, 0xED, 0x01, 0x00}},
        StreamCase{"two_motors_and_drive",
                   {0xCD, 0x03, 0x10, 0xF8, 0, 1, 0, 1, 0xED, 0x01, 0x20},
                   0,
                   {0xF8, 0, 0, 0, 0, 0xCD, 0x01, 0x00, 0xED, 0x01, 0x00, 0xCD, 0x03, 0x00, 0xED, 0x03, 0x00}},
        StreamCase{"motor_255", {0xCD, 0xFF, 0x10}, 0, {0xCD, 0xFF, 0x00, 0xED, 0xFF, 0x00}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MotionStop, FramesThatDoNotFitAreLeftOutWhole) {
    Motion motion{};
    const std::uint8_t drive[] = {0xF8, 0, 1, 0, 1};
    const std::uint8_t motor[] = {0xCD, 0x02, 0x10};
    motion.note(drive, sizeof drive);
    motion.note(motor, sizeof motor);
    std::uint8_t out[8];
    EXPECT_EQ(tevrak::protocol::stop_frames(motion, out, sizeof out), 5u);
    motion.clear();
    EXPECT_FALSE(motion.any());
}

}  // namespace
