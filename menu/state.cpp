#include "menu/state.h"

#include <cstdlib>

namespace tevrak::menu {

void *system_reallocate(void *block, std::size_t bytes) {
    return block == nullptr ? std::malloc(bytes) : std::realloc(block, bytes);
}

State state;

void reset() { state = State{}; }

Reallocator set_reallocator(Reallocator fn) {
    const Reallocator previous = state.reallocate;
    state.reallocate = fn != nullptr ? fn : system_reallocate;
    return previous;
}

OutsideCalls set_outside_calls(const OutsideCalls *calls) {
    const OutsideCalls previous = state.outside;
    state.outside = calls != nullptr ? *calls : real_outside_calls();
    return previous;
}

}  // namespace tevrak::menu
