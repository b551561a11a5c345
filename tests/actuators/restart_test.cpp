// Start-up failures, failed link checks and restarts of the two halves of
// the actuator unit.
#include <gtest/gtest.h>

#include "actuators/testing.h"
#include "hdt_text.h"
#include "support/board_fixture.h"
#include "tevrak/motor.h"
#include "tevrak/servo.h"

namespace {

using namespace tevrak::test;
namespace actuators = tevrak::actuators;

TEST(ActuatorStartup, UnopenableLinkFailsEveryOperationWithoutSending) {
    SimRobot robot("SERVO s1 0 255 st\nMOTOR m1 mt\nTABLE st 1\nTABLE mt 1\n");
    robot.board.unplug();
    actuators::state.ENCODERBaseVal = {1, 2, 3, 4};
    OutputCapture capture;
    EXPECT_EQ(SERVOSetRaw(1, 5), 1);
    EXPECT_EQ(SERVOSet(1, 5), 1);
    EXPECT_EQ(SERVORange(1, 5, 6), 1);
    EXPECT_EQ(MOTORDriveRaw(1, 5), 1);
    EXPECT_EQ(MOTORDrive(1, 5), 1);
    EXPECT_EQ(MOTORPID(1, 1, 2, 3), 1);
    EXPECT_EQ(MOTORPIDOff(1), 1);
    EXPECT_EQ(MOTORSpeed(1, 5), 1);
    EXPECT_EQ(ENCODERRead(1), -1);
    EXPECT_EQ(ENCODERReset(1), 1);
    EXPECT_EQ(capture.out(), "") << "no message of the unit's own";
    EXPECT_EQ(capture.err().find("Timeout"), std::string::npos);
    EXPECT_EQ(actuators::state.SERVOInitialised, 0);
    EXPECT_EQ(actuators::state.MOTORInitialised, 0);
    EXPECT_EQ(actuators::state.ENCODERBaseVal, (Offsets{1, 2, 3, 4})) << "a failed start-up keeps the zeros";
    robot.board.replug();
    EXPECT_EQ(SERVOSetRaw(1, 5), 0);
    ASSERT_TRUE(robot.board.wait_for_frames(1));
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xF3, 0x01, 0x05})) << "nothing of the failed calls";
}

TEST(ServoRestart, SetReportsSuccessWhateverBecameOfItsCommand) {
    SimRobot robot("SERVO s1 0 255 st\nTABLE st 10\n");
    ASSERT_EQ(SERVOInit(), 0);
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(SERVOSet(1, 0), 0);
    EXPECT_EQ(capture.err(), "SERVO: Timeout!!!\n");
    EXPECT_EQ(actuators::state.SERVOInitialised, 0);
}

TEST(ServoRestart, ServoFailureLeavesTheMotorsStarted) {
    SimRobot robot("MOTOR m1 -\n");
    robot.board.set_reply(0xE5, {0, 0, 0, 9});
    ASSERT_EQ(ENCODERReset(1), 0);
    ASSERT_EQ(SERVOInit(), 0);
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(SERVOSetRaw(1, 1), 1);
        EXPECT_EQ(capture.err(), "SERVO: Timeout!!!\n");
    }
    EXPECT_EQ(actuators::state.SERVOInitialised, 0);
    EXPECT_EQ(actuators::state.MOTORInitialised, 1);
    robot.board.replug();
    robot.board.clear();
    EXPECT_EQ(MOTORDriveRaw(2, 7), 0) << "the port is reopened for the motors";
    EXPECT_EQ(settled_frames(robot.board, 1), (std::vector<Bytes>{{0xED, 2, 7}}));
    EXPECT_EQ(actuators::state.ENCODERBaseVal[0], 9) << "no motor restart happened";
}

TEST(MotorRestart, DriveReportsSuccessWhateverBecameOfItsCommand) {
    SimRobot robot("MOTOR m1 mt\nTABLE mt 10\n");
    ASSERT_EQ(MOTORInit(), 0);
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(MOTORDrive(1, 100), 0);
    EXPECT_EQ(capture.err(), "MOTOR: Timeout!!!\n");
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(actuators::state.MOTORInitialised, 0);
}

}  // namespace
