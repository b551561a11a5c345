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

bool connected() { return state.RCIN_INITIAL == 1; }

int descriptor() { return state.fd; }

void disconnect() {
    if (state.RCIN_INITIAL == 1) lirc_deinit();
    const State fresh;
    state.RCIN_INITIAL = fresh.RCIN_INITIAL;
    state.controllerCode = fresh.controllerCode;
    state.holdDelay = fresh.holdDelay;
}

}  // namespace tevrak::rcin
