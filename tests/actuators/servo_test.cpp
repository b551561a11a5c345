// Servo commands against the simulated board: frames, limits and table
// conversion.
#include <gtest/gtest.h>

#include <climits>

#include "actuators/testing.h"
#include "hdt_text.h"
#include "support/board_fixture.h"
#include "tevrak/servo.h"

namespace {

using namespace tevrak::test;
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
              (std::vector<Bytes>{
                  {kSetRaw, 1, 255 - 128}, {kSetRaw, 1, 255 - 230}, {kSetRaw, 1, 255 - 20}, {kSetRaw, 1, 255 - 21}}));
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
    SERVOSet(1, 1000);     // 1000 * 16 / 256 = 62: held to the last entry
    SERVOSet(1, -1000);    // negative index: held to the first entry
    SERVOSet(2, INT_MAX);  // the product needs more than 32 bits
    SERVOSet(2, INT_MIN);
    EXPECT_EQ(settled_frames(robot.board, 4),
              (std::vector<Bytes>{{kSetRaw, 1, 215}, {kSetRaw, 1, 200}, {kSetRaw, 2, 215}, {kSetRaw, 2, 200}}));
}

}  // namespace
