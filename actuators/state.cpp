#include "actuators/state.h"

namespace tevrak::actuators {

State state;

void reset() { state = State{}; }

}  // namespace tevrak::actuators
