// The robot's end opens the board's port as the library does (raw, 115200
// baud) and locks it (flock, LOCK_EX | LOCK_NB) for as long as it holds
// it, so that no program on the robot sends bytes in between.
#pragma once

#include <cstddef>

namespace tevrak::bridge {

// The port's descriptor (non-blocking, close-on-exec), or -1 with the reason
// in message, said of the robot (a line without its newline): "cannot open
// PATH" or "finds the board at PATH in use by process PID (NAME)".
int open_board(const char *path, char *message, std::size_t capacity);

}  // namespace tevrak::bridge
