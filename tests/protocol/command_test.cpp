// The shared command routine against the simulated board.
#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "protocol/command.h"
#include "serial/serial_state.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
using tevrak::protocol::Frame;
using tevrak::protocol::Outcome;
using tevrak::protocol::ReplyRead;
using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;
namespace protocol = tevrak::protocol;

int startups = 0;
int flag = 0;
int start_unit() {
    ++startups;
    if (SERInit(1, 115200, 0) != 0) return 1;
    flag = 1;
    return 0;
}
const protocol::Unit unit{&flag, start_unit, "TEST: Timeout!!!\n"};

TEST(FieldEncodings, BytesAndWords) {
    EXPECT_EQ(protocol::byte_field(300), 0x2C);
    EXPECT_EQ(protocol::byte_field(-1), 0xFF);
    EXPECT_EQ(protocol::word_field(-1), (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
    EXPECT_EQ(protocol::word_field(1000), (std::array<std::uint8_t, 2>{0x03, 0xE8}));
    EXPECT_EQ(protocol::word_field(0x12345), (std::array<std::uint8_t, 2>{0x23, 0x45}));
    EXPECT_EQ(protocol::signed_word(0xFF, 0xFE), -2);
    EXPECT_EQ(protocol::unsigned_word(0xFF, 0xFE), 65534);
    EXPECT_EQ(protocol::signed_long(0xFF, 0xFF, 0xFF, 0xFE), -2);
    EXPECT_EQ(protocol::signed_long(0x80, 0, 0, 0), INT32_MIN);
    const Frame frame = Frame(0xC3).word(500).word(-99).byte(300);
    EXPECT_EQ(Bytes(frame.bytes().begin(), frame.bytes().end()), (Bytes{0xC3, 0x01, 0xF4, 0xFF, 0x9D, 0x2C}));
}

// The opcode index by which the simulated board cuts frames and expects
// replies: every opcode with its frame length and reply length.
TEST(OpcodeIndex, FrameAndReplyLengths) {
    struct Entry {
        std::uint8_t opcode;
        int frame_length;
        int reply_length;
    };
    constexpr Entry kIndex[] = {
        {0xC1, 5, 0}, {0xC3, 7, 0}, {0xC4, 2, 0}, {0xCD, 3, 0}, {0xD1, 7, 0}, {0xD3, 4, 0}, {0xD7, 1, 0},
        {0xD8, 1, 4}, {0xD9, 5, 0}, {0xDA, 1, 1}, {0xE4, 5, 0}, {0xE5, 2, 4}, {0xED, 3, 0}, {0xF0, 2, 2},
        {0xF1, 1, 6}, {0xF3, 3, 0}, {0xF7, 8, 0}, {0xF8, 5, 0}, {0xF9, 5, 0}, {0xFA, 1, 2},
    };
    int known = 0;
    for (int byte = 0; byte <= 0xFF; ++byte) {
        if (protocol::find_opcode(static_cast<std::uint8_t>(byte)) != nullptr) ++known;
    }
    EXPECT_EQ(known, 20) << "no opcode beyond the index";
    for (const Entry &entry : kIndex) {
        SCOPED_TRACE(static_cast<int>(entry.opcode));
        const auto *info = protocol::find_opcode(entry.opcode);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->frame_length, entry.frame_length);
        EXPECT_EQ(info->reply_length, entry.reply_length);
    }
}

TEST(CommandRoutine, StartsTheUnitOnceThenChecksTheLinkBeforeEachFrame) {
    SimRobot robot;
    EXPECT_EQ(protocol::command(unit, Frame(0xD7)), Outcome::ok);
    EXPECT_EQ(protocol::command(unit, Frame(0xF3).byte(3).byte(128)), Outcome::ok);
    ASSERT_TRUE(robot.board.wait_for_frames(2));
    EXPECT_EQ(startups, 1);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xD7, 0x0D, 0xF3, 0x03, 0x80}));
}

TEST(CommandRoutine, FailedStartUpSendsNothing) {
    SimRobot robot;
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(protocol::command(unit, Frame(0xD7)), Outcome::startup_failed);
    EXPECT_EQ(capture.err(), "error opening port\n");
    EXPECT_EQ(flag, 0);
}

TEST(CommandRoutine, FailedLinkCheckWritesTheMessageAndClearsTheFlag) {
    SimRobot robot;
    ASSERT_EQ(protocol::command(unit, Frame(0xD7)), Outcome::ok);
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(protocol::command(unit, Frame(0xD7)), Outcome::link_failed);
        EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
        EXPECT_EQ(capture.out(), "");
    }
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(tevrak::serial::SERType, -1);
    // The message goes to the stream the caller names.
    OutputCapture capture;
    std::array<std::uint8_t, 4> reply{};
    EXPECT_EQ(protocol::query(unit, Frame(0xE5).byte(1), reply, stdout), Outcome::startup_failed);
    flag = 1;  // pretend started: the reopen fails, then the link check
    EXPECT_EQ(protocol::query(unit, Frame(0xE5).byte(1), reply, stdout), Outcome::link_failed);
    EXPECT_EQ(capture.out(), "TEST: Timeout!!!\n");
    // Plugged in again: the next command starts the unit afresh.
    robot.board.replug();
    EXPECT_EQ(protocol::command(unit, Frame(0xD7)), Outcome::ok);
}

TEST(CommandRoutine, ReplyBehindStrayBytes) {
    SimRobot robot;
    robot.board.set_reply(0xE5, {0x01, 0x0D, 0x3E, 0xFF});
    robot.board.set_reply_prefix({0x0D, 0x00, 0x41, 0x0A});
    std::array<std::uint8_t, 4> reply{};
    ASSERT_EQ(protocol::query(unit, Frame(0xE5).byte(2), reply), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 4>{0x01, 0x0D, 0x3E, 0xFF})) << "bytes behind the marker are data";
}

TEST(CommandRoutine, MarkerThatNeverComesIsBounded) {
    SimRobot robot;
    robot.board.queue_reply(0xF0, {});
    std::array<std::uint8_t, 2> reply{7, 7};
    OutputCapture capture;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(protocol::query(unit, Frame(0xF0).byte(1), reply), Outcome::no_reply);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, 1500ms);
    EXPECT_LT(waited, 4s);
    EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{7, 7}));
}

// At most 1024 stray bytes are skipped: a marker behind 1023 is found, one
// behind 1024 is not.
TEST(CommandRoutine, StrayBytesBeforeTheMarkerAreBounded) {
    SimRobot robot;
    for (const int stray : {1023, 1024}) {
        SCOPED_TRACE(stray);
        Bytes raw(static_cast<std::size_t>(stray), 0x55);
        raw.insert(raw.end(), {0x3E, 0x12, 0x34});
        robot.board.queue_reply(0xF0, raw);
        std::array<std::uint8_t, 2> reply{};
        OutputCapture capture;
        const Outcome outcome = protocol::query(unit, Frame(0xF0).byte(1), reply);
        if (stray == 1023) {
            EXPECT_EQ(outcome, Outcome::ok);
            EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{0x12, 0x34}));
            EXPECT_EQ(capture.err(), "");
        } else {
            EXPECT_EQ(outcome, Outcome::no_reply);
            EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
        }
    }
}

TEST(CommandRoutine, ReplyCutShort) {
    SimRobot robot;
    robot.board.queue_reply(0xF1, {0x3E, 0x00, 0x0A});
    std::array<std::uint8_t, 6> reply{};
    OutputCapture capture;
    EXPECT_EQ(protocol::query(unit, Frame(0xF1), reply), Outcome::no_reply);
    EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
    EXPECT_EQ(flag, 0);
}

TEST(CommandRoutine, SingleReadReportsAShortReplyWithoutMessage) {
    SimRobot robot;
    robot.board.queue_reply(0xFA, {0x3E, 0x01});
    std::array<std::uint8_t, 2> reply{};
    OutputCapture capture;
    EXPECT_EQ(protocol::query(unit, Frame(0xFA), reply, stderr, ReplyRead::single_read),
              Outcome::short_reply);
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(flag, 1);
    robot.board.set_reply(0xFA, {0xFF, 0xFE});
    EXPECT_EQ(protocol::query(unit, Frame(0xFA), reply, stderr, ReplyRead::single_read), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{0xFF, 0xFE}));
}

TEST(CommandRoutine, LateReplyWithinTheBoundIsRead) {
    SimRobot robot;
    robot.board.set_reply(0xF0, {0x0F, 0xFF});
    robot.board.set_reply_delay(900ms);
    std::array<std::uint8_t, 2> reply{};
    EXPECT_EQ(protocol::query(unit, Frame(0xF0).byte(2), reply), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{0x0F, 0xFF}));
}

}  // namespace
