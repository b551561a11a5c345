#include "remote/state.h"

#include "tevrak/rcin.h"

namespace tevrak::rcin {

State state;

void reset() { state = State{}; }

void lazy_start() {
    if (state.RCIN_INITIAL != 1) RCINInit();
}

}  // namespace tevrak::rcin
