// Reading key codes from the daemon's event lines.
#include "remote/daemon_wait.h"
#include "remote/event_line.h"
#include "remote/lirc_line.h"
#include "remote/state.h"
#include "tevrak/rcin.h"

namespace rcin = tevrak::rcin;

extern "C" int RCINGet(void) {
    rcin::lazy_start();
    bool connection_closed = false;
    rcin::LircLine line;
    for (;;) {
        // The library is asked first: it may hold a complete line already
        // that the descriptor no longer shows.
        if (line.next() == -1) return -1;
        if (!line.present()) {
            // Nothing more will come on a closed connection; never spin on it.
            if (connection_closed) return -1;
            connection_closed = rcin::wait_for_data(rcin::state.fd) == rcin::Connection::closed;
            continue;
        }
        const auto event = rcin::parse_event(line.view());
        if (!event) continue;  // a notice of the daemon, no key
        if (event->repeat > 0 && event->repeat < rcin::state.holdDelay) return 0;
        if (event->key != 0) return event->key;
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
