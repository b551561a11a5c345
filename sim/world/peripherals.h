// What the simulated board remembers of servos, motors and the controller
// settings. Nothing here moves the robot: the commands are kept so that the
// status report and the log can show them.
#pragma once

#include <array>

#include "sim/world/frame_text.h"

namespace tevrak::sim {

struct ServoState {
    bool set = false;
    int position = 0;  // raw position, 0..255
    int low = 0;       // range from SERVORange
    int high = 255;
};

struct MotorState {
    int power = 0;     // raw power, -128..127
    bool pid = false;  // PID control on
    int p = 0, i = 0, d = 0;
    int speed = 0;        // controlled speed set-point
    bool driven = false;  // ever given power, PID or a speed: stays listed once stopped

    bool idle() const { return power == 0 && !pid && speed == 0; }
};

struct Peripherals {
    std::array<ServoState, 256> servos{};
    std::array<MotorState, 256> motors{};
    std::array<int, 4> gains{};  // last VWControl
    bool controller_on = false;

    // Keeps the effect of a servo, motor or controller command; false for
    // any other frame.
    bool apply(const DecodedFrame &frame);
};

}  // namespace tevrak::sim
