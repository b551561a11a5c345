// Process-wide state of the remote-control unit. Internal to the library;
// tests read it directly.
#pragma once

namespace tevrak::rcin {

// 1 once the connection to the daemon is up; 0 before, after a failed start
// and after a release.
extern int RCIN_INITIAL;
// The daemon connection's descriptor as lirc_init returned it (-1 after a
// failed start; kept after a release). The unit's own, not the serial link's.
extern int fd;
// Number of the remote configuration last installed or recorded.
extern int controllerCode;
// Repeat counts above 0 and below this value are suppressed by RCINGet.
extern int holdDelay;

// Connects when the unit is not connected; the outcome is not looked at.
void lazy_start();

}  // namespace tevrak::rcin
