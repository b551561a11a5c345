#include "protocol/cycle.h"

#include "tevrak/cycle.h"

namespace tevrak::protocol::cycle {

State state;

bool begin() {
    if (state.open) return false;
    state = State{.open = true};
    return true;
}

bool end() {
    const bool intact = state.open;
    state = State{};
    return intact;
}

void close_on_failure() {
    if (!state.open) return;
    state = State{.broken = true};
}

}  // namespace tevrak::protocol::cycle

extern "C" int CYCLEBegin(void) { return tevrak::protocol::cycle::begin() ? 0 : 1; }

extern "C" int CYCLEEnd(void) { return tevrak::protocol::cycle::end() ? 0 : 1; }
