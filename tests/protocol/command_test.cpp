// The shared command routine against the simulated board.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <array>
#include <chrono>

#include "protocol/command.h"
#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
using namespace tevrak::protocol;
using namespace tevrak::test;
namespace protocol = tevrak::protocol;

int startups = 0;
int flag = 0;
int start_unit() {
    ++startups;
    if (SERInit(1, 115200, 0) != 0) return 1;
    flag = 1;
    return 0;
}
const protocol::Unit unit{protocol::UnitId::drive, &flag, start_unit, "TEST: Timeout!!!\n"};

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

// Bytes waiting on the link's port.
int pending() {
    int count = -1;
    ::ioctl(tevrak::serial::state.fd, FIONREAD, &count);
    return count;
}

// Every query's reply as the simulated board sends it has the length the
// board's command set gives it, and its unit reads exactly that much.
TEST(QueryReplies, BoardSendsWhatEachUnitReads) {
    struct Query {
        const char *name;
        Bytes frame;
        std::size_t reply_length;  // data bytes behind the marker
        std::function<bool()> unit_reads;
    };
    int a = 0, b = 0, c = 0;
    const Query queries[] = {
        {"VWGetSpeed", {0xD8}, 4, [&] { return VWGetSpeed(&a, &b) == 0; }},
        {"VWDriveDone", {0xDA}, 1, [] { return VWDriveDone() == 0; }},
        {"ENCODERRead", {0xE5, 0x01}, 4, [] { return ENCODERRead(1) == 0; }},
        {"PSDGetRaw", {0xF0, 0x01}, 2, [] { return PSDGetRaw(1) == 0; }},
        {"VWGetPosition", {0xF1}, 6, [&] { return VWGetPosition(&a, &b, &c) == 0; }},
        {"VWDriveRemain", {0xFA}, 2, [] { return VWDriveRemain() == 0; }},
    };
    SimRobot robot("ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\nMOTOR m -\nPSD p -\n");
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    Bytes expected;
    for (const Query &query : queries) {
        for (std::uint8_t byte : query.frame) SERSendChar(1, static_cast<char>(byte));
        expected.push_back('>');
        expected.resize(expected.size() + query.reply_length, 0x00);
    }
    Bytes received;
    for (int byte; (byte = SERReceiveChar(1)) >= 0;) received.push_back(static_cast<std::uint8_t>(byte));
    EXPECT_EQ(received, expected);

    for (const Query &query : queries) {
        EXPECT_TRUE(query.unit_reads()) << query.name << ": its reply came whole";
        EXPECT_EQ(pending(), 0) << query.name << ": its reply is read to the end";
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
    EXPECT_EQ(tevrak::serial::state.SERType, -1);
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
    EXPECT_EQ(protocol::query(unit, Frame(0xFA), reply, stderr, ReplyRead::single_read), Outcome::short_reply);
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
