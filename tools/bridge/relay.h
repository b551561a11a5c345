// The bridge's one poll loop: board bytes one way, framed bytes the other,
// a heartbeat to the far end every period, and the far end's heartbeats
// watched against the lease. It returns when the link ends, the far end
// falls silent or sends a damaged stream, a signal arrives, or the board's
// side goes away. Nothing in it allocates; every wait is poll's, bounded by
// the next heartbeat or the lease.
#pragma once

#include <chrono>

#include "protocol/motion.h"

namespace tevrak::bridge {

struct RelayEnds {
    int board;     // raw board bytes, both ways (the port, or the laptop's terminal)
    int link_in;   // framed bytes from the far end
    int link_out;  // framed bytes to the far end
    int signals;   // a signalfd: any signal read from it ends the loop
};

struct RelayTimes {
    std::chrono::milliseconds lease;      // longest silence of the far end once heard
    std::chrono::milliseconds heartbeat;  // our own heartbeat's period
    std::chrono::milliseconds first;      // longest wait for the far end's first word
};

enum class Ending { link_closed, silent, never_heard, damaged, signal, board_gone };

// What the loop followed of the bytes that reached the board (robot side).
struct BoardTrace {
    protocol::FrameCursor cursor;
    protocol::Motion motion{};
};

// Runs until an ending. With a trace, every byte written to the board is
// fed to it.
Ending relay(const RelayEnds &ends, const RelayTimes &times, BoardTrace *trace);

}  // namespace tevrak::bridge
