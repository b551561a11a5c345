#include "actuators_state.h"

namespace tevrak::actuators {

int SERVOInitialised = 0;
hdt::Servo *SERVOFirst = nullptr;

int MOTORInitialised = 0;
hdt::Device *MOTORFirst = nullptr;
std::array<std::int32_t, kEncoders> ENCODERBaseVal{};

}  // namespace tevrak::actuators
