// State of the drive unit and its entry for the shared command routine.
// Internal to the library; tests read and reset the flag directly.
#pragma once

#include <cstdio>

#include "protocol/command.h"
#include "tevrak/drive.h"

namespace tevrak::drive {

// 1 once VWInit has sent the drive set-up frame; cleared by a failed link
// check or a short reply, so that the next operation starts the unit again.
extern int VWInitialised;

inline constexpr const char *kTimeoutMessage = "VW: Timeout!!!\n";
inline constexpr const char *kShortReplyMessage = "VW: Incorrect No. Received Bytes!!!\n";

// Every drive operation goes through the command routine with this unit:
// lazy start-up through VWInit, timeout message on standard error.
inline constexpr protocol::Unit kUnit{&VWInitialised, &VWInit, kTimeoutMessage};

}  // namespace tevrak::drive
