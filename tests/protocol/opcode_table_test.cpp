// The operations' table against the units that send them: every frame a
// unit's C functions send belongs to that unit in the table and has the
// table's length.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/opcodes.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

namespace {

using tevrak::protocol::UnitId;
namespace protocol = tevrak::protocol;

struct UnitCalls {
    const char *name;
    UnitId unit;
    std::function<void()> calls;  // every C function of the unit that sends a frame
};

void PrintTo(const UnitCalls &calls, std::ostream *out) { *out << calls.name; }

class OpcodeTable : public testing::TestWithParam<UnitCalls> {};

TEST_P(OpcodeTable, EveryFrameOfTheUnitBelongsToItInTheTable) {
    tevrak::test::SimRobot robot(
        "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\nSERVO s 0 255 -\nMOTOR m -\nPSD p -\n");
    GetParam().calls();
    const auto frames = robot.board.frames();
    ASSERT_FALSE(frames.empty());
    for (const auto &frame : frames) {
        const protocol::OpcodeInfo *info = protocol::find_opcode(frame[0]);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(frame.size(), info->frame_length) << info->name;
        EXPECT_EQ(info->unit, GetParam().unit) << info->name << " sent by " << GetParam().name;
    }
}

int x, y, heading;

INSTANTIATE_TEST_SUITE_P(
    Units, OpcodeTable,
    testing::Values(UnitCalls{"drive", UnitId::drive,
                              [] {
                                  VWSetSpeed(1, 2), VWSetPosition(1, 2, 3), VWStraight(1, 2), VWTurn(1, 2),
                                      VWCurve(1, 2, 3);
                                  VWDrive(10, 10, 5), VWGetSpeed(&x, &y), VWGetPosition(&x, &y, &heading);
                                  VWDriveDone(), VWDriveRemain(), VWControl(1, 2, 3, 4), VWControlOff();
                              }},
                    UnitCalls{"servo", UnitId::servo, [] { SERVOSetRaw(1, 2), SERVORange(1, 2, 3); }},
                    UnitCalls{"motor", UnitId::motor,
                              [] { MOTORDriveRaw(1, 2), MOTORPID(1, 2, 3, 4), MOTORPIDOff(1), MOTORSpeed(1, 2); }},
                    UnitCalls{"encoder", UnitId::encoder, [] { ENCODERRead(1); }},
                    UnitCalls{"sensor", UnitId::sensor, [] { PSDGetRaw(1); }}),
    [](const testing::TestParamInfo<UnitCalls> &info) { return std::string(info.param.name); });

}  // namespace
