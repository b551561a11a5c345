// Why the last start-up of a unit failed, in more words than the C messages
// give: the file or device that could not be opened and the system's reason.
// The robot-file reader and the serial port note it; the C++ layer reads it
// to build its StartupError. The C messages themselves stay as they are.
#pragma once

#include <cstddef>

namespace tevrak::config {

struct StartupFailure {
    enum class What { nothing, robot_file, port };
    What what = What::nothing;
    char path[256] = {};   // cut at 255 bytes
    int error = 0;         // errno of the failed open
    char holder[64] = {};  // who holds a port locked by another program
};

// The first failure noted since clear_startup_failure() (What::nothing: none).
const StartupFailure &startup_failure();
void clear_startup_failure();
void note_startup_failure(StartupFailure::What what, const char *path, int error, const char *holder = nullptr);

}  // namespace tevrak::config
