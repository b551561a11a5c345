// Motor commands against the simulated board: frames, table conversion with
// the sign of the speed.
#include <gtest/gtest.h>

#include <climits>

#include "actuators/testing.h"
#include "hdt_text.h"
#include "support/board_fixture.h"
#include "tevrak/motor.h"

namespace {

using namespace tevrak::test;
namespace actuators = tevrak::actuators;

constexpr std::uint8_t kDriveRaw = 0xED;

// Low byte of a value as it travels.
constexpr std::uint8_t low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Entry i: 10 * (i + 1), so entry 9 is 100 and its negation -100 (0x9C).
int tens(int i) { return 10 * (i + 1); }

TEST(MotorCommands, FramesByteForByte) {
    SimRobot robot("MOTOR m1 mt\n");
    EXPECT_EQ(MOTORDriveRaw(1, -100), 0);
    EXPECT_EQ(MOTORPID(2, 300, 1, 0), 0);
    EXPECT_EQ(MOTORPIDOff(3), 0);
    EXPECT_EQ(MOTORSpeed(1, 50), 0);
    EXPECT_EQ(MOTORSpeed(4, -1), 0);
    EXPECT_EQ(actuators::state.MOTORInitialised, 1);
    EXPECT_EQ(
        settled_frames(robot.board, 5),
        (std::vector<Bytes>{
            {0xED, 0x01, 0x9C}, {0xE4, 0x02, 0x2C, 0x01, 0x00}, {0xC4, 0x03}, {0xCD, 0x01, 0x32}, {0xCD, 0x04, 0xFF}}));
    EXPECT_EQ(robot.board.probes(), 5) << "one link check per command";
}

TEST(MotorDrive, TenEntryTableAndTheSignOfTheSpeed) {
    SimRobot robot("MOTOR m1 mt\n" + table_line("mt", 10, tens));
    EXPECT_EQ(MOTORDrive(1, 100), 0);   // 100 * 10 / 101 = 9
    EXPECT_EQ(MOTORDrive(1, -100), 0);  // entry 9 negated
    EXPECT_EQ(MOTORDrive(1, 50), 0);    // 500 / 101 = 4
    EXPECT_EQ(settled_frames(robot.board, 3),
              (std::vector<Bytes>{{kDriveRaw, 1, 100}, {kDriveRaw, 1, 0x9C}, {kDriveRaw, 1, 50}}));
}

TEST(MotorDrive, ElevenEntryTable) {
    SimRobot robot("MOTOR m1 mt\n" + table_line("mt", 11, tens));
    MOTORDrive(1, -55);  // 605 / 101 = 5: entry 60 negated
    MOTORDrive(1, 100);  // entry 10
    MOTORDrive(1, 0);    // entry 0, sign untouched
    EXPECT_EQ(settled_frames(robot.board, 3),
              (std::vector<Bytes>{{kDriveRaw, 1, low(-60)}, {kDriveRaw, 1, 110}, {kDriveRaw, 1, 10}}));
}

TEST(MotorDrive, SpeedsBeyondTheRangeStayInsideTheTable) {
    SimRobot robot("MOTOR m1 mt\n" + table_line("mt", 10, tens));
    MOTORDrive(1, 150);
    MOTORDrive(1, -150);
    MOTORDrive(1, INT_MAX);
    MOTORDrive(1, INT_MIN);  // its magnitude does not fit an int
    EXPECT_EQ(
        settled_frames(robot.board, 4),
        (std::vector<Bytes>{{kDriveRaw, 1, 100}, {kDriveRaw, 1, 0x9C}, {kDriveRaw, 1, 100}, {kDriveRaw, 1, 0x9C}}));
}

TEST(MotorDrive, NegatingTheSmallestEntryWraps) {
    SimRobot robot("MOTOR m1 mt\nTABLE mt -2147483648 -129\n");
    MOTORDrive(1, -1);    // entry 0: INT_MIN stays INT_MIN, low byte 0x00
    MOTORDrive(1, -100);  // entry 1: 129 travels as 0x81
    EXPECT_EQ(settled_frames(robot.board, 2), (std::vector<Bytes>{{kDriveRaw, 1, 0x00}, {kDriveRaw, 1, 0x81}}));
}

}  // namespace
