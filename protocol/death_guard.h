// The stop on a program's death. At the first frame on a newly opened port
// the library starts a guard process that shares the port's open file, a
// pipe from the program and a page of memory with it. While the program
// lives the guard sleeps in read() on the pipe. When the pipe reaches end
// of file without the program having announced a normal exit (exit() or a
// return from main), the program died (a signal, the OOM killer, _exit):
// the guard finishes the frame the program left half-sent with zero bytes,
// runs the link check, sends the frames that stop what the program set
// moving (protocol/motion.h) and ends.
//
// The library keeps the shared page up to date as bytes go out, with plain
// stores: no system call per byte, nothing on the wire.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/motion.h"

namespace tevrak::protocol::death_guard {

// The page the program and its guard share.
struct Shared {
    Motion motion;                             // what may be moving
    std::atomic<std::uint8_t> frame_length{};  // frame in progress; 0 between frames
    std::atomic<std::uint8_t> frame_sent{};    // its bytes written so far
    std::atomic<std::uint8_t> keep_moving{};   // 1: end quietly whatever happens
};

struct State {
    Shared *shared = nullptr;  // null: no guard watches the port
    int pipe = -1;             // the program's end of the pipe
    pid_t owner = 0;           // the process that started the guard
    pid_t guard = 0;           // the guard's process id (for tests)
    int keep_moving = -1;      // -1 until TEVRAK_KEEP_MOVING was read
    bool hooks_installed = false;
    // What the program set moving before the library last closed the port:
    // a reopened port's guard stops it too (a link check that failed does
    // not stop a motor).
    Motion carried{};
    // Seam: called after each byte of a frame is written and counted,
    // with the count so far; a test holds the program there to kill it
    // between two bytes of a frame.
    void (*between_bytes)(std::size_t sent) = nullptr;
};

extern State state;

// Before a frame goes out on the open port: starts the guard when none
// watches the port (and the stop is not turned off), notes what the frame
// may set moving and that it begins.
void frame_begins(int port, std::span<const std::uint8_t> frame);
// After the write of byte number sent (1 for the opcode) returned.
void byte_sent(std::size_t sent);
// After the frame's last byte.
void frame_ends();

// The library closes the port: the guard ends without sending anything.
void end_quietly();

// true: the guard stops nothing (TEVRAK_KEEP_MOVING=1 or SERKeepMoving(1)).
void set_keep_moving(bool keep);
bool keeps_moving();

}  // namespace tevrak::protocol::death_guard
