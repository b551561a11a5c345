// One program at a time owns the board: an exclusive lock on the port,
// taken at open. Two programs on one port would interleave their frames.
#pragma once

#include <cstddef>

namespace tevrak::serial {

// Takes the lock on the open port, or finds who holds it. True when taken.
// On false, holder reads "process 4711 (python3)" (cut to capacity), or
// "another process" when the holder cannot be found.
bool lock_port(int descriptor, char *holder, std::size_t capacity);

// Lets the port go before it is closed: the lock belongs to the open file,
// which the stop-on-death guard shares, so closing alone would keep it.
void unlock_port(int descriptor);

}  // namespace tevrak::serial
