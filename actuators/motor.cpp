// Motors: the shared start-up of motors and encoders, raw power, PID control,
// and speeds converted through the motor's calibration table.
#include "tevrak/motor.h"

#include <cstdio>

#include "actuators/state.h"
#include "config/conversion.h"
#include "platform/hdt_loader.h"
#include "protocol/command.h"
#include "protocol/tap.h"
#include "protocol/unit_startup.h"

using namespace tevrak::actuators;
using namespace tevrak::conversion;
namespace protocol = tevrak::protocol;
namespace hdt = tevrak::hdt;

extern "C" int MOTORInit(void) {
    // After a restart the board's counters are the only reference left.
    return protocol::start_device_unit(state.MOTORInitialised, state.MOTORFirst, {HDTLoadMOTOR, HDTLoadTable},
                                       [] { state.ENCODERBaseVal.fill(0); });
}

extern "C" int MOTORDriveRaw(int motor, int value) {
    return protocol::command_result(kMotorUnit, protocol::make_frame<protocol::op::MOTORDriveRaw>(motor, value));
}

extern "C" int MOTORPID(int motor, int p, int i, int d) {
    return protocol::command_result(kMotorUnit, protocol::make_frame<protocol::op::MOTORPID>(motor, p, i, d));
}

extern "C" int MOTORPIDOff(int motor) {
    return protocol::command_result(kMotorUnit, protocol::make_frame<protocol::op::MOTORPIDOff>(motor));
}

extern "C" int MOTORSpeed(int motor, int speed) {
    return protocol::command_result(kMotorUnit, protocol::make_frame<protocol::op::MOTORSpeed>(motor, speed));
}

extern "C" int MOTORDrive(int motor, int speed) {
    const protocol::tap::CallScope call(protocol::tap::Call::MOTORDrive);
    if (!protocol::ensure_started(kMotorUnit)) return 1;
    const hdt::Table *table = hdt::table_of(hdt::nth(state.MOTORFirst, motor));
    if (table == nullptr) {
        protocol::write_message(stdout, "No Motor Table\n");
        MOTORDriveRaw(motor, speed);
        return 0;
    }
    std::int32_t value = table->data[motor_index(speed, table->size)];
    if (speed < 0) value = negated(value);
    // The command's own failure is reported by its message only.
    MOTORDriveRaw(motor, value);
    return 0;
}
