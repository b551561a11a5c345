// What tests and tools may reach of the remote-control unit: its state
// record and reset, the command-runner seam and the event-line decoding.
#pragma once

#include "remote/commands.h"
#include "remote/event_line.h"
#include "remote/state.h"
