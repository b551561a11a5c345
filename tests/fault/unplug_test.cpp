// A board pulled off in the middle of a frame or of a reply and plugged in
// again at the same path: every unit returns its failure code once and works
// again on a later call.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "../actuators/hdt_text.h"
#include "actuators/testing.h"
#include "drive/testing.h"
#include "rangers/testing.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::settled_frames;
using tevrak::test::SimRobot;

constexpr const char *kRobot = "KINEMA 0 0 0 0\nSERVO s 0 255 -\nMOTOR m -\nPSD p -\n";

struct UnitCase {
    const char *name;
    std::function<int()> call;
    int ok;               // result of a working call
    int failure;          // the unit's failure code
    const char *message;  // its timeout message
    bool message_on_stdout;
};

int position() {
    int x = 0, y = 0, heading = 0;
    return VWGetPosition(&x, &y, &heading);
}

const UnitCase kCommands[] = {
    {"VWStraight", [] { return VWStraight(1000, 200); }, 0, 1, "VW: Timeout!!!\n", false},
    {"SERVOSetRaw", [] { return SERVOSetRaw(3, 128); }, 0, 1, "SERVO: Timeout!!!\n", false},
    {"MOTORDriveRaw", [] { return MOTORDriveRaw(1, -100); }, 0, 1, "MOTOR: Timeout!!!\n", false},
    {"MOTORPID", [] { return MOTORPID(2, 300, 1, 0); }, 0, 1, "MOTOR: Timeout!!!\n", false},
};

const UnitCase kQueries[] = {
    {"ENCODERRead", [] { return ENCODERRead(2); }, 0x01020304, -1, "ENCODER: Timeout!!!\n", true},
    {"ENCODERReset", [] { return ENCODERReset(2); }, 0, -1, "ENCODER: Timeout!!!\n", false},
    {"PSDGetRaw", [] { return PSDGetRaw(1); }, 0x0FFF, -1, "PSD: Timeout!!!\n", false},
};

void script_replies(tevrak::sim::Board &board) {
    board.set_reply(0xE5, {0x01, 0x02, 0x03, 0x04});
    board.set_reply(0xF0, {0x0F, 0xFF});
    board.set_reply(0xF1, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});
    board.set_reply(0xDA, {0x01});
}

// Waits until the board has seen nothing new for a while: every byte of the
// calls so far has been handled.
void settle(const tevrak::sim::Board &board) {
    std::size_t seen = board.events().size();
    while (board.wait_for_events(seen + 1, std::chrono::milliseconds(60))) seen = board.events().size();
}

// Plugs the board in again once it has hung up by itself.
void replug_after_hang_up(tevrak::sim::Board &board) {
    for (int i = 0; i < 600 && board.plugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(board.plugged());
    board.replug();
}

void expect_failure(const UnitCase &unit) {
    OutputCapture capture;
    EXPECT_EQ(unit.call(), unit.failure);
    EXPECT_EQ(unit.message_on_stdout ? capture.out() : capture.err(), unit.message);
}

// One robot for all cases: the library discovers the board's path once.
TEST(Unplug, InTheMiddleOfACommandFrame) {
    SimRobot robot(kRobot);
    for (const auto &unit : kCommands) {
        SCOPED_TRACE(unit.name);
        ASSERT_EQ(unit.call(), unit.ok);
        settle(robot.board);
        // The probe and two bytes of the frame get through, then the cable goes.
        robot.board.hang_up_after_bytes(3);
        EXPECT_EQ(unit.call(), unit.ok) << "write errors inside a frame are not detected";
        replug_after_hang_up(robot.board);
        expect_failure(unit);  // the dead port fails the link check: once
        robot.board.clear();
        EXPECT_EQ(unit.call(), unit.ok);
        EXPECT_TRUE(robot.board.wait_for_frames(1));
        settle(robot.board);
    }
}

TEST(Unplug, InTheMiddleOfAQueryFrame) {
    SimRobot robot(kRobot);
    script_replies(robot.board);
    for (const auto &unit : kQueries) {
        SCOPED_TRACE(unit.name);
        ASSERT_EQ(unit.call(), unit.ok);
        settle(robot.board);
        robot.board.hang_up_after_bytes(2);  // the probe and the opcode
        expect_failure(unit);
        replug_after_hang_up(robot.board);
        EXPECT_EQ(unit.call(), unit.ok);
    }
}

TEST(Unplug, InTheMiddleOfAReply) {
    SimRobot robot(kRobot);
    script_replies(robot.board);
    for (const auto &unit : kQueries) {
        SCOPED_TRACE(unit.name);
        ASSERT_EQ(unit.call(), unit.ok);
        settle(robot.board);
        const std::uint8_t opcode = std::string(unit.name).rfind("PSD", 0) == 0 ? 0xF0 : 0xE5;
        robot.board.queue_reply(opcode, {0x3E, 0x01});
        robot.board.hang_up_after_next_reply();
        expect_failure(unit);
        replug_after_hang_up(robot.board);
        EXPECT_EQ(unit.call(), unit.ok);
    }
    // The drive's queries: the link-check code 1, then a working call.
    ASSERT_EQ(position(), 0);
    settle(robot.board);
    robot.board.queue_reply(0xF1, {0x3E, 0x00, 0x0A});
    robot.board.hang_up_after_next_reply();
    {
        OutputCapture capture;
        EXPECT_EQ(position(), 1);
        EXPECT_EQ(capture.err(), "VW: Timeout!!!\n");
    }
    replug_after_hang_up(robot.board);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(VWDriveDone(), 1);
}

// A reply that never comes, or comes cut short, fails the query like a failed
// link check: the unit starts again on its next call, and a failed encoder
// reset keeps the zero it had.
TEST(Unplug, MissingOrCutReply) {
    struct Case {
        UnitCase unit;
        std::uint8_t opcode;
        Bytes sent;  // what the board sends instead of the reply
        const int &started;
    };
    const int &motors = tevrak::actuators::state.MOTORInitialised, &psds = tevrak::rangers::state.PSDInitialised;
    const Case cases[] = {
        {{"ResetMissing", [] { return ENCODERReset(2); }, 0, -1, "ENCODER: Timeout!!!\n", false}, 0xE5, {}, motors},
        {{"ReadCut", [] { return ENCODERRead(2); }, 0, -1, "ENCODER: Timeout!!!\n", true}, 0xE5, {'>', 0, 0}, motors},
        {{"PSDGetCut", [] { return PSDGet(1); }, 7, -1, "PSD: Timeout!!!\n", false}, 0xF0, {'>', 0x10}, psds},
    };
    SimRobot robot("MOTOR m -\nPSD p pt\nTABLE pt 7\n");
    script_replies(robot.board);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.unit.name);
        ASSERT_EQ(ENCODERReset(2), 0);
        ASSERT_EQ(c.unit.call(), c.unit.ok);
        robot.board.queue_reply(c.opcode, c.sent);
        expect_failure(c.unit);
        EXPECT_EQ(c.started, 0);
        EXPECT_EQ(tevrak::actuators::state.ENCODERBaseVal[1], 0x01020304);
    }
}

// Unplugged after a working call and plugged in again with a new hdt.txt:
// the call that meets the dead link fails with the unit's message, the unit
// cannot start again while the board is away, and the first call after the
// replug starts it from the new file (the motors' with zeroed encoders).
TEST(Unplug, RestartAfterReplugReadsTheNewFile) {
    struct Case {
        const char *name;
        const char *before;            // hdt.txt body at the first start-up
        std::function<int()> first;    // a working call before the unplug: 0
        std::function<int()> failing;  // the call that meets the dead link
        int failure;
        std::function<int()> next;  // while unplugged, then after the replug
        int unplugged;              // next's result while unplugged
        const char *message;        // the unit's timeout message
        const char *after;          // hdt.txt body written while unplugged
        int value;                  // next's result after the replug
        std::vector<Bytes> frames;  // what next sends after the replug
        const int &started;
    };
    using namespace tevrak;
    const int &servos = actuators::state.SERVOInitialised, &motors = actuators::state.MOTORInitialised;
    const Case cases[] = {
        {"Servo",
         "SERVO s1 0 255 st\nTABLE st 10\n",
         [] { return SERVOSet(1, 0); },
         [] { return SERVORange(1, 0, 255); },
         1,
         [] { return SERVOSet(1, 0); },
         1,
         "SERVO: Timeout!!!\n",
         "SERVO s1 0 255 st\nTABLE st 20\n",
         0,
         {{0xF3, 0x01, 0x14}},
         servos},
        {"Motor",
         "MOTOR m1 mt\nTABLE mt 10\n",
         [] { return ENCODERReset(3) == 0 ? ENCODERRead(3) : -1; },
         [] { return MOTORPIDOff(1); },
         1,
         [] { return MOTORDrive(1, 100) == 0 ? ENCODERRead(3) : 1; },
         1,
         "MOTOR: Timeout!!!\n",
         "MOTOR m1 mt\nTABLE mt 30\n",
         50,
         {{0xED, 0x01, 0x1E}, {0xE5, 0x03}},
         motors},
        {"Psd",
         "PSD front pt\nTABLE pt 7\n",
         [] { return PSDGet(1) == 7 ? 0 : -1; },
         [] { return PSDGetRaw(1); },
         -1,
         [] { return PSDGet(1); },
         -1,
         "PSD: Timeout!!!\n",
         "PSD front pt\nTABLE pt 8\n",
         8,
         {{0xF0, 0x01}},
         rangers::state.PSDInitialised},
        {"Drive",
         "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\n",
         VWInit,
         [] { return VWSetSpeed(100, 90); },
         1,
         [] { return VWSetSpeed(100, 90); },
         1,
         "VW: Timeout!!!\n",
         "ENCODER 1 540\nDRIVE 100 300 0 0\nKINEMA 40 30 20 10\n",
         0,
         {{0xF7, 0x02, 0x1C, 0x00, 0x64, 0x01, 0x2C, 0x04},
          {0xC1, 0x28, 0x14, 0x1E, 0x0A},
          {0xF8, 0x00, 0x64, 0x00, 0x9D}},
         drive::state.VWInitialised},
    };
    SimRobot robot;
    robot.board.set_reply(0xE5, {0x00, 0x00, 0x00, 0x32});
    robot.board.set_reply(0xF0, {0x10, 0x00});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        robot.write_hdt(c.before);
        actuators::reset();
        rangers::reset();
        drive::reset();
        ASSERT_EQ(c.first(), 0);
        ASSERT_TRUE(robot.board.wait_for_frames(1));
        robot.board.unplug();
        {
            OutputCapture capture;
            EXPECT_EQ(c.failing(), c.failure);
            EXPECT_EQ(c.next(), c.unplugged) << "the restart fails while unplugged";
            EXPECT_EQ(capture.err(), std::string(c.message) + "error opening port\n");
            EXPECT_EQ(capture.out(), "");
        }
        EXPECT_EQ(c.started, 0);
        robot.write_hdt(c.after);
        robot.board.replug();
        robot.board.clear();
        EXPECT_EQ(c.next(), c.value);
        EXPECT_EQ(c.started, 1);
        EXPECT_EQ(actuators::state.ENCODERBaseVal, (std::array<std::int32_t, 4>{})) << "zeroed by the restart";
        EXPECT_EQ(settled_frames(robot.board, c.frames.size()), c.frames) << "the new file in use";
    }
}

TEST(Unplug, StaysUnpluggedUntilReplugged) {
    SimRobot robot(kRobot);
    script_replies(robot.board);
    ASSERT_EQ(PSDGetRaw(1), 0x0FFF);
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(PSDGetRaw(1), -1) << "link check on the dead port";
    EXPECT_EQ(PSDGetRaw(1), -1) << "start-up cannot open the path";
    EXPECT_EQ(VWSetSpeed(10, 0), 1);
    EXPECT_EQ(SERVOSet(1, 10), 1);
    capture.stop();
    replug_after_hang_up(robot.board);
    EXPECT_EQ(PSDGetRaw(1), 0x0FFF);
    EXPECT_EQ(VWSetSpeed(10, 0), 0);
    EXPECT_EQ(SERVOSet(1, 10), 0);
}

}  // namespace
