// Process-wide state of the remote-control unit: one record, one reset.
#pragma once

#include <lirc_client.h>

#include "remote/commands.h"
#include "remote/connection.h"

namespace tevrak::rcin {

// Hands over the daemon's next event line, as lirc_nextcode does.
using EventReader = int (*)(char **code);

struct State {
    // 1 once the connection to the daemon is up; 0 before, after a failed
    // start and after a release.
    int RCIN_INITIAL = 0;
    // The daemon connection's descriptor as lirc_init returned it (-1 after
    // a failed start; kept after a release). The unit's own, not the serial
    // link's.
    int fd = 0;
    // Number of the remote configuration last installed or recorded.
    int controllerCode = 0;
    // Repeat counts above 0 and below this value are suppressed by RCINGet.
    int holdDelay = 5;
    // Runs the daemon's shell commands (seam: set_command_runner).
    CommandRunner runner = run_in_shell;
    // Brings the daemon's event lines (seam: set_event_reader).
    EventReader event_reader = lirc_nextcode;
};

extern State state;

// Puts the record back to its state at program start. The daemon
// connection, if any, is not touched.
void reset();

// Seam: replaces the source of event lines and returns the one in use
// before. Passing nullptr puts the default (lirc_nextcode) back.
EventReader set_event_reader(EventReader reader);

// Connects when the unit is not connected; the outcome is not looked at.
void lazy_start();

}  // namespace tevrak::rcin
