// Reading key codes from the daemon's event lines.
#include "remote/daemon_wait.h"
#include "remote/event_line.h"
#include "remote/key_look.h"
#include "remote/lirc_line.h"
#include "remote/state.h"
#include "tevrak/rcin.h"

namespace tevrak::rcin {

Look look_for_key() {
    LircLine line;
    for (;;) {
        if (line.next() == -1) return {Found::error, 0};
        if (!line.present()) return {Found::nothing, 0};
        const auto event = parse_event(line.view());
        if (!event) continue;  // a notice of the daemon, no key
        if (event->repeat > 0 && event->repeat < state.holdDelay) return {Found::early_repeat, 0};
        if (event->key != 0) return {Found::key, event->key};
    }
}

}  // namespace tevrak::rcin

namespace rcin = tevrak::rcin;

extern "C" int RCINGet(void) {
    rcin::lazy_start();
    bool connection_closed = false;
    for (;;) {
        // The library is asked first: it may hold a complete line already
        // that the descriptor no longer shows.
        const rcin::Look look = rcin::look_for_key();
        switch (look.found) {
        case rcin::Found::error: return -1;
        case rcin::Found::early_repeat: return 0;
        case rcin::Found::key: return look.key;
        case rcin::Found::nothing: break;
        }
        // Nothing more will come on a closed connection; never spin on it.
        if (connection_closed) return -1;
        connection_closed = rcin::wait_for_data(rcin::state.fd) == rcin::Connection::closed;
    }
}

extern "C" int RCINRead(void) {
    rcin::lazy_start();
    rcin::LircLine line;
    if (line.next() == -1) return -1;
    if (!line.present()) return 0;
    const auto event = rcin::parse_event(line.view());
    return event ? event->key : 0;
}
