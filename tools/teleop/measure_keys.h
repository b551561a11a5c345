// --measure-keys: shows when the terminal's keys arrive, so that a user can
// read the terminal's auto-repeat delay (the first gap while a key is held)
// and its rate (the gaps after it) and choose --lease above the delay.
#pragma once

namespace tevrak::teleop {

// Runs until q or Ctrl-C; the exit status.
int measure_keys(int fd);

}  // namespace tevrak::teleop
