// The shared command routine against the simulated board.
#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "protocol/command.h"
#include "serial/testing.h"
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
namespace op = tevrak::protocol::op;

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
    const Frame frame = Frame(op::VWCurve).word(500).word(-99).byte(300);
    EXPECT_EQ(Bytes(frame.bytes().begin(), frame.bytes().end()), (Bytes{0xC3, 0x01, 0xF4, 0xFF, 0x9D, 0x2C}));
}

TEST(OpcodeIndex, LengthsOfEveryOpcode) {
    for (const auto &info : protocol::kOpcodes) {
        SCOPED_TRACE(info.name);
        EXPECT_GE(info.frame_length, 1);
        EXPECT_LE(info.frame_length, protocol::kMaxFrameLength);
        EXPECT_LE(info.reply_length, protocol::kMaxReplyLength);
        EXPECT_EQ(protocol::find_opcode(info.opcode), &info);
    }
    EXPECT_EQ(protocol::find_opcode(0x0D), nullptr);
    EXPECT_EQ(protocol::find_opcode(op::ENCODERRead)->reply_length, 4);
    EXPECT_EQ(protocol::find_opcode(op::DriveSetup)->frame_length, 8);
}

TEST(CommandRoutine, StartsTheUnitOnceThenChecksTheLinkBeforeEachFrame) {
    SimRobot robot;
    EXPECT_EQ(protocol::command(unit, Frame(op::VWControlOff)), Outcome::ok);
    EXPECT_EQ(protocol::command(unit, Frame(op::SERVOSetRaw).byte(3).byte(128)), Outcome::ok);
    ASSERT_TRUE(robot.board.wait_for_frames(2));
    EXPECT_EQ(startups, 1);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xD7, 0x0D, 0xF3, 0x03, 0x80}));
}

TEST(CommandRoutine, FailedStartUpSendsNothing) {
    SimRobot robot;
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(protocol::command(unit, Frame(op::VWControlOff)), Outcome::startup_failed);
    EXPECT_EQ(capture.err(), "error opening port\n");
    EXPECT_EQ(flag, 0);
}

TEST(CommandRoutine, FailedLinkCheckWritesTheMessageAndClearsTheFlag) {
    SimRobot robot;
    ASSERT_EQ(protocol::command(unit, Frame(op::VWControlOff)), Outcome::ok);
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(protocol::command(unit, Frame(op::VWControlOff)), Outcome::link_failed);
        EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
        EXPECT_EQ(capture.out(), "");
    }
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(tevrak::serial::state.SERType, -1);
    // The message goes to the stream the caller names.
    OutputCapture capture;
    std::array<std::uint8_t, 4> reply{};
    EXPECT_EQ(protocol::query(unit, Frame(op::ENCODERRead).byte(1), reply, stdout), Outcome::startup_failed);
    flag = 1;  // pretend started: the reopen fails, then the link check
    EXPECT_EQ(protocol::query(unit, Frame(op::ENCODERRead).byte(1), reply, stdout), Outcome::link_failed);
    EXPECT_EQ(capture.out(), "TEST: Timeout!!!\n");
    // Plugged in again: the next command starts the unit afresh.
    robot.board.replug();
    EXPECT_EQ(protocol::command(unit, Frame(op::VWControlOff)), Outcome::ok);
}

TEST(CommandRoutine, ReplyBehindStrayBytes) {
    SimRobot robot;
    robot.board.set_reply(op::ENCODERRead, {0x01, 0x0D, 0x3E, 0xFF});
    robot.board.set_reply_prefix({0x0D, 0x00, 0x41, 0x0A});
    std::array<std::uint8_t, 4> reply{};
    ASSERT_EQ(protocol::query(unit, Frame(op::ENCODERRead).byte(2), reply), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 4>{0x01, 0x0D, 0x3E, 0xFF})) << "bytes behind the marker are data";
}

TEST(CommandRoutine, MarkerThatNeverComesIsBounded) {
    SimRobot robot;
    robot.board.queue_reply(op::PSDGetRaw, {});
    std::array<std::uint8_t, 2> reply{7, 7};
    OutputCapture capture;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(protocol::query(unit, Frame(op::PSDGetRaw).byte(1), reply), Outcome::no_reply);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, 1500ms);
    EXPECT_LT(waited, 4s);
    EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{7, 7}));
}

TEST(CommandRoutine, EndlessStrayBytesAreBounded) {
    SimRobot robot;
    robot.board.queue_reply(op::PSDGetRaw, Bytes(protocol::kMarkerStrayBytes + 10, 0x55));
    std::array<std::uint8_t, 2> reply{};
    OutputCapture capture;
    EXPECT_EQ(protocol::query(unit, Frame(op::PSDGetRaw).byte(1), reply), Outcome::no_reply);
    EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
}

TEST(CommandRoutine, ReplyCutShort) {
    SimRobot robot;
    robot.board.queue_reply(op::VWGetPosition, {0x3E, 0x00, 0x0A});
    std::array<std::uint8_t, 6> reply{};
    OutputCapture capture;
    EXPECT_EQ(protocol::query(unit, Frame(op::VWGetPosition), reply), Outcome::no_reply);
    EXPECT_EQ(capture.err(), "TEST: Timeout!!!\n");
    EXPECT_EQ(flag, 0);
}

TEST(CommandRoutine, SingleReadReportsAShortReplyWithoutMessage) {
    SimRobot robot;
    robot.board.queue_reply(op::VWDriveRemain, {0x3E, 0x01});
    std::array<std::uint8_t, 2> reply{};
    OutputCapture capture;
    EXPECT_EQ(protocol::query(unit, Frame(op::VWDriveRemain), reply, stderr, ReplyRead::single_read),
              Outcome::short_reply);
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(flag, 1);
    robot.board.set_reply(op::VWDriveRemain, {0xFF, 0xFE});
    EXPECT_EQ(protocol::query(unit, Frame(op::VWDriveRemain), reply, stderr, ReplyRead::single_read), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{0xFF, 0xFE}));
}

TEST(CommandRoutine, LateReplyWithinTheBoundIsRead) {
    SimRobot robot;
    robot.board.set_reply(op::PSDGetRaw, {0x0F, 0xFF});
    robot.board.set_reply_delay(900ms);
    std::array<std::uint8_t, 2> reply{};
    EXPECT_EQ(protocol::query(unit, Frame(op::PSDGetRaw).byte(2), reply), Outcome::ok);
    EXPECT_EQ(reply, (std::array<std::uint8_t, 2>{0x0F, 0xFF}));
}

}  // namespace
