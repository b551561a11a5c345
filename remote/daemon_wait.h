// Sleeping on the daemon connection until it has something to read.
#pragma once

#include <chrono>

namespace tevrak::rcin {

enum class Connection { readable, closed, timed_out };

// Blocks until descriptor has data to read, or reports that the connection
// was closed, failed or is no valid descriptor. A key may take any time to
// come, so there is no time limit; a closed connection ends the wait.
Connection wait_for_data(int descriptor);

// The same wait, given up after timeout (Connection::timed_out).
Connection wait_for_data(int descriptor, std::chrono::milliseconds timeout);

}  // namespace tevrak::rcin
