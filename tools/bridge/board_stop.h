// The stop the bridge sends when the laptop's side is gone, the same as a
// program's own stop on death: the frame in progress finished with zero
// bytes (else the link check's probes would become its arguments), the link
// check, then the frames that stop what was set moving.
#pragma once

#include <chrono>

#include "protocol/motion.h"

namespace tevrak::bridge {

// Sends the stop to the board at fd (non-blocking): the zero bytes and the
// link check within bound, the stop frames within bound again.
// Returns false when the board did not answer the link check in time or
// did not take every byte; the stop frames are sent in either case.
bool stop_board(int fd, const protocol::FrameCursor &cursor, const protocol::Motion &motion,
                std::chrono::milliseconds bound);

}  // namespace tevrak::bridge
