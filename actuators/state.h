// Process-wide state of the servo, motor and encoder unit: one record, one
// reset.
#pragma once

#include <array>
#include <cstdint>

#include "actuators/unit.h"
#include "config/devices.h"

namespace tevrak::actuators {

struct State {
    // Servo half: 1 once SERVOInit succeeded; head of the loader's servo list.
    int SERVOInitialised = 0;
    hdt::Servo *SERVOFirst = nullptr;
    // Motor and encoder half: 1 once MOTORInit succeeded; head of the
    // loader's motor list; the software zero of encoders 1 to 4 (entry
    // n - 1: encoder n).
    int MOTORInitialised = 0;
    hdt::Device *MOTORFirst = nullptr;
    std::array<std::int32_t, kEncoders> ENCODERBaseVal{};
};

extern State state;

// Puts the record back to its state at program start.
void reset();

}  // namespace tevrak::actuators
