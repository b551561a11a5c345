#include "sim/world/peripherals.h"

#include "protocol/opcodes.h"

namespace tevrak::sim {

namespace op = protocol::op;

namespace {

// A motor that ran once stays listed, with power 0 after its stop.
bool keep(MotorState &motor) {
    if (!motor.idle()) motor.driven = true;
    return true;
}

}  // namespace

bool Peripherals::apply(const DecodedFrame &frame) {
    if (frame.name == nullptr) return false;
    switch (frame.opcode) {
    case op::SERVOSetRaw: {
        auto &servo = servos[static_cast<std::size_t>(frame["servo"])];
        servo.set = true;
        servo.position = frame["position"];
        return true;
    }
    case op::SERVORange: {
        auto &servo = servos[static_cast<std::size_t>(frame["servo"])];
        servo.low = frame["low"];
        servo.high = frame["high"];
        return true;
    }
    case op::MOTORDriveRaw: {
        auto &motor = motors[static_cast<std::size_t>(frame["motor"])];
        motor.power = frame["power"];
        return keep(motor);
    }
    case op::MOTORPID: {
        auto &motor = motors[static_cast<std::size_t>(frame["motor"])];
        motor.pid = true;
        motor.p = frame["p"];
        motor.i = frame["i"];
        motor.d = frame["d"];
        return keep(motor);
    }
    case op::MOTORPIDOff: motors[static_cast<std::size_t>(frame["motor"])].pid = false; return true;
    case op::MOTORSpeed: {
        auto &motor = motors[static_cast<std::size_t>(frame["motor"])];
        motor.speed = frame["speed"];
        return keep(motor);
    }
    case op::VWControl:
        for (std::size_t i = 0; i < gains.size(); ++i) gains[i] = frame.values[i];
        controller_on = true;
        return true;
    case op::VWControlOff: controller_on = false; return true;
    default: return false;
    }
}

}  // namespace tevrak::sim
