#include "rangers/state.h"

namespace tevrak::rangers {

State state;

void reset() { state = State{}; }

}  // namespace tevrak::rangers
