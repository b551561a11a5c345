#include "serial/state.h"

#include <unistd.h>

#include "serial/port_lock.h"
#include "tevrak/serial_link.h"

namespace tevrak::serial {

State state{};

char *path_slot(int interface) {
    switch (interface) {
    case 1: return state.USBPATH1;
    case 2: return state.USBPATH2;
    case 3: return state.USBPATH3;
    case 4: return state.USBPATH4;
    default: return nullptr;
    }
}

LinkWait &link_wait() { return state.wait; }

int open_port_fd() { return valid_interface(state.SERType) && state.fd >= 0 ? state.fd : -1; }

void (*set_port_closing(void (*hook)()))() {
    void (*replaced)() = state.port_closing;
    state.port_closing = hook;
    return replaced;
}

void forget_port() {
    if (valid_interface(state.SERType)) SERClose(state.SERType);
    state.SERPathInit = 0;
}

void close_port() {
    // SERType 0 (never opened) or -1 (closed): fd is not ours to close.
    if (!valid_interface(state.SERType) || state.fd < 0) return;
    if (state.port_closing != nullptr) state.port_closing();
    unlock_port(state.fd);
    ::close(state.fd);
}

TerminalCalls set_terminal_calls(const TerminalCalls *calls) {
    const TerminalCalls previous = state.terminal;
    state.terminal = calls != nullptr ? *calls : real_terminal_calls();
    return previous;
}

void reset() {
    close_port();
    const auto port_closing = state.port_closing;
    state = State{};
    state.port_closing = port_closing;
}

}  // namespace tevrak::serial
