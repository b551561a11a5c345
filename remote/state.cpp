#include "remote/state.h"

#include "tevrak/rcin.h"

namespace tevrak::rcin {

State state;

void reset() { state = State{}; }

EventReader set_event_reader(EventReader reader) {
    const EventReader previous = state.event_reader;
    state.event_reader = reader != nullptr ? reader : lirc_nextcode;
    return previous;
}

void lazy_start() {
    if (state.RCIN_INITIAL != 1) RCINInit();
}

}  // namespace tevrak::rcin
