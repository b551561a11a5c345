#include "sim/world/peripherals.h"

#include "protocol/opcodes.h"

namespace tevrak::sim {

namespace op = protocol::op;

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
            return true;
        }
        case op::MOTORPID: {
            auto &motor = motors[static_cast<std::size_t>(frame["motor"])];
            motor.pid = true;
            motor.p = frame["p"];
            motor.i = frame["i"];
            motor.d = frame["d"];
            return true;
        }
        case op::MOTORPIDOff:
            motors[static_cast<std::size_t>(frame["motor"])].pid = false;
            return true;
        case op::MOTORSpeed:
            motors[static_cast<std::size_t>(frame["motor"])].speed = frame["speed"];
            return true;
        case op::VWControl:
            for (std::size_t i = 0; i < gains.size(); ++i) gains[i] = frame.values[i];
            controller_on = true;
            return true;
        case op::VWControlOff:
            controller_on = false;
            return true;
        default:
            return false;
    }
}

std::string Peripherals::summary() const {
    std::string text;
    for (std::size_t n = 0; n < servos.size(); ++n) {
        const auto &servo = servos[n];
        if (!servo.set && servo.low == 0 && servo.high == 255) continue;
        text += "servo " + std::to_string(n) + ": position=" + (servo.set ? std::to_string(servo.position) : "unset") +
                " range=" + std::to_string(servo.low) + ".." + std::to_string(servo.high) + "\n";
    }
    for (std::size_t n = 0; n < motors.size(); ++n) {
        const auto &motor = motors[n];
        if (motor.power == 0 && !motor.pid && motor.speed == 0) continue;
        text += "motor " + std::to_string(n) + ": power=" + std::to_string(motor.power) +
                " pid=" + (motor.pid ? "on" : "off") + " p=" + std::to_string(motor.p) +
                " i=" + std::to_string(motor.i) + " d=" + std::to_string(motor.d) +
                " speed=" + std::to_string(motor.speed) + "\n";
    }
    text += "drive controller: ";
    text += controller_on ? "gains " + std::to_string(gains[0]) + " " + std::to_string(gains[1]) + " " +
                                std::to_string(gains[2]) + " " + std::to_string(gains[3])
                          : std::string("off");
    text += "\n";
    return text;
}

}  // namespace tevrak::sim
