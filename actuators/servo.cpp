// Servos: raw positions, ranges, and positions limited and converted through
// the servo's calibration table.
#include "tevrak/servo.h"

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

extern "C" int SERVOInit(void) {
    return protocol::start_device_unit(state.SERVOInitialised, state.SERVOFirst, {HDTLoadSERVO, HDTLoadTable});
}

extern "C" int SERVOSetRaw(int servo, int position) {
    return protocol::command_result(kServoUnit, protocol::make_frame<protocol::op::SERVOSetRaw>(servo, position));
}

extern "C" int SERVORange(int servo, int low, int high) {
    return protocol::command_result(kServoUnit, protocol::make_frame<protocol::op::SERVORange>(servo, low, high));
}

extern "C" int SERVOSet(int servo, int position) {
    const protocol::tap::CallScope call(protocol::tap::Call::SERVOSet);
    if (!protocol::ensure_started(kServoUnit)) return 1;
    const hdt::Servo *record = hdt::nth(state.SERVOFirst, servo);
    const hdt::Table *table = hdt::table_of(record);
    if (table == nullptr) {
        protocol::write_message(stdout, "No Servo table\n");
        SERVOSetRaw(servo, position);
        return 0;
    }
    const std::int32_t limited = limited_position(position, record->low, record->high);
    // The command's own failure is reported by its message only.
    SERVOSetRaw(servo, table->data[servo_index(limited, table->size)]);
    return 0;
}
