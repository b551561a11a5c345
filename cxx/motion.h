// What the program set moving and did not stop since: the drive and the
// motors by number. Kept under the link lock by the calls that move or stop
// them; read by tevrak::StopGuard and the Python package's stop at exit.
#pragma once

#include <chrono>

namespace tevrak::cxx {

// The caller holds the link lock.
void note_drive_moving(bool moving);
void note_motor_moving(int number, bool moving);

// Stops the drive and every motor noted moving, each with its stop command,
// and forgets them; a failed stop is left as it is (nothing is thrown).
// Each stop's link check gives up after 1 s (or the shorter bound set).
// Gives up when the link is not free by deadline (none: waits for it).
// False when it gave up or a stop failed.
bool stop_moving(const std::chrono::steady_clock::time_point *deadline) noexcept;

}  // namespace tevrak::cxx
