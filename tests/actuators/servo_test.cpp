// Servo commands against the simulated board: frames, limits and table
// conversion, servos without a table.
#include <gtest/gtest.h>

#include <climits>

#include "actuators/testing.h"
#include "hdt_text.h"
#include "support/board_fixture.h"
#include "tevrak/servo.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::settled_frames;
using tevrak::test::SimRobot;
using tevrak::test::table_line;
namespace actuators = tevrak::actuators;

constexpr std::uint8_t kSetRaw = 0xF3;

// Entry i of the 16-entry tables: distinct low bytes 200 to 215.
int sixteen(int i) { return 200 + i; }
// Entry i of the 256-entry table: its low byte tells the index back.
int descending(int i) { return 255 - i; }

TEST(ServoRawAndRange, FramesGoOutAfterALinkCheck) {
    SimRobot robot("SERVO s1 20 230 st\n" + table_line("st", 16, sixteen));
    EXPECT_EQ(SERVOSetRaw(3, 128), 0);
    EXPECT_EQ(actuators::state.SERVOInitialised, 1);
    robot.board.wait_for_frames(1);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xF3, 0x03, 0x80})) << "probe first, then the frame";
    EXPECT_EQ(SERVORange(1, 10, 300), 0);
    EXPECT_EQ(SERVOSetRaw(2, -1), 0);
    EXPECT_EQ(settled_frames(robot.board, 3),
              (std::vector<Bytes>{{0xF3, 0x03, 0x80}, {0xD3, 0x01, 0x0A, 0x2C}, {0xF3, 0x02, 0xFF}}));
}

TEST(ServoSet, SixteenEntryTableWithinLimits) {
    SimRobot robot("SERVO s1 20 230 st\n" + table_line("st", 16, sixteen));
    EXPECT_EQ(SERVOSet(1, 250), 0);  // lowered to 230: 230 * 16 / 256 = 14
    EXPECT_EQ(SERVOSet(1, -5), 0);   // raised to 20: entry 1
    EXPECT_EQ(SERVOSet(1, 100), 0);  // 100 * 16 / 256 = 6
    EXPECT_EQ(SERVOSet(1, 230), 0);  // the high limit itself
    EXPECT_EQ(settled_frames(robot.board, 4),
              (std::vector<Bytes>{{kSetRaw, 1, 214}, {kSetRaw, 1, 201}, {kSetRaw, 1, 206}, {kSetRaw, 1, 214}}));
}

TEST(ServoSet, TwoHundredFiftySixEntryTableIndexIsThePosition) {
    SimRobot robot("SERVO s1 20 230 big\n" + table_line("big", 256, descending));
    for (int position : {128, 250, 0, 21}) EXPECT_EQ(SERVOSet(1, position), 0);
    EXPECT_EQ(settled_frames(robot.board, 4),
              (std::vector<Bytes>{{kSetRaw, 1, 255 - 128}, {kSetRaw, 1, 255 - 230}, {kSetRaw, 1, 255 - 20},
                                  {kSetRaw, 1, 255 - 21}}));
}

TEST(ServoSet, LowLimitAboveHighLimitWins) {
    SimRobot robot("SERVO s1 100 50 st\n" + table_line("st", 16, sixteen));
    for (int position : {0, 75, 200}) SERVOSet(1, position);
    // Every position becomes 100: 100 * 16 / 256 = 6.
    EXPECT_EQ(settled_frames(robot.board, 3),
              (std::vector<Bytes>{{kSetRaw, 1, 206}, {kSetRaw, 1, 206}, {kSetRaw, 1, 206}}));
}

TEST(ServoSet, EntriesTravelAsTheirLowByteAndLaterServosUseTheirOwnRecord) {
    SimRobot robot("SERVO s1 0 255 st\nSERVO s2 0 255 two\nTABLE st 260\nTABLE two 7 -3\n");
    EXPECT_EQ(SERVOSet(1, 17), 0);
    EXPECT_EQ(SERVOSet(2, 200), 0);  // 200 * 2 / 256 = 1: entry -3
    EXPECT_EQ(settled_frames(robot.board, 2), (std::vector<Bytes>{{kSetRaw, 1, 0x04}, {kSetRaw, 2, 0xFD}}));
}

TEST(ServoSet, LimitsOutsideTheByteRangeStayInsideTheTable) {
    SimRobot robot("SERVO s1 -1000 1000 st\nSERVO s2 -2147483648 2147483647 st\n" + table_line("st", 16, sixteen));
    SERVOSet(1, 1000);      // 1000 * 16 / 256 = 62: held to the last entry
    SERVOSet(1, -1000);     // negative index: held to the first entry
    SERVOSet(2, INT_MAX);   // the product needs more than 32 bits
    SERVOSet(2, INT_MIN);
    EXPECT_EQ(settled_frames(robot.board, 4),
              (std::vector<Bytes>{{kSetRaw, 1, 215}, {kSetRaw, 1, 200}, {kSetRaw, 2, 215}, {kSetRaw, 2, 200}}));
}

// Each case: the hdt.txt body and the servo asked for. All of them fall back
// to the raw command with the unchanged (unlimited) position.
struct NoTableCase {
    const char *name;
    const char *hdt;
    int servo;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NoTableCase &c, std::ostream *os) { *os << c.name; }

class ServoWithoutTable : public testing::TestWithParam<NoTableCase> {};

TEST_P(ServoWithoutTable, PrintsOnStdoutAndSendsTheRawPosition) {
    SimRobot robot(GetParam().hdt);
    OutputCapture capture;
    EXPECT_EQ(SERVOSet(GetParam().servo, 300), 0);
    EXPECT_EQ(capture.out(), "No Servo table\n");
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(settled_frames(robot.board, 1),
              (std::vector<Bytes>{{kSetRaw, static_cast<std::uint8_t>(GetParam().servo), 0x2C}}));
    EXPECT_EQ(actuators::state.SERVOInitialised, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServoWithoutTable,
    testing::Values(NoTableCase{"EmptyTableLine", "SERVO s1 20 230 st\nTABLE st\n", 1},
                    NoTableCase{"DashTable", "SERVO s1 20 230 -\nTABLE - 1 2 3\n", 1},
                    NoTableCase{"UnknownTable", "SERVO s1 20 230 nowhere\n", 1},
                    NoTableCase{"NumberBeyondTheList", "SERVO s1 20 230 st\nTABLE st 1 2 3\n", 4},
                    NoTableCase{"NoServoAtAll", "TABLE st 1 2 3\n", 1}),
    [](const testing::TestParamInfo<NoTableCase> &info) { return std::string(info.param.name); });

TEST(ServoStartup, EmptyListStillStarts) {
    SimRobot robot("MOTOR m1 mt\n");
    EXPECT_EQ(SERVOInit(), 0);
    EXPECT_EQ(actuators::state.SERVOInitialised, 1);
    EXPECT_EQ(actuators::state.SERVOFirst, nullptr);
    EXPECT_EQ(SERVOInit(), 0) << "already started";
    EXPECT_EQ(SERVOSetRaw(1, 5), 0);  // its bytes come after any the start-up sent
    ASSERT_TRUE(robot.board.wait_for_frames(1));
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xF3, 0x01, 0x05})) << "the start-up sends nothing";
}

}  // namespace
