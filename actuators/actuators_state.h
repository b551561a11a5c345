// Process-wide state of the servo, motor and encoder unit. Internal to the
// library; tests read and set it directly.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/devices.h"

namespace tevrak::actuators {

inline constexpr int kEncoders = 4;

// Servo half: 1 once SERVOInit succeeded; head of the loader's servo list.
extern int SERVOInitialised;
extern hdt::Servo *SERVOFirst;

// Motor and encoder half: 1 once MOTORInit succeeded; head of the loader's
// motor list; the software zero of encoders 1 to 4 (entry n - 1: encoder n).
extern int MOTORInitialised;
extern hdt::Device *MOTORFirst;
extern std::array<std::int32_t, kEncoders> ENCODERBaseVal;

}  // namespace tevrak::actuators
