// Process-wide state of the drive unit (one record, one reset) and its
// entry for the shared command routine.
#pragma once

#include <cstdio>

#include "drive/unit.h"
#include "protocol/command.h"
#include "tevrak/drive.h"

namespace tevrak::drive {

struct State {
    // 1 once VWInit has sent the drive set-up frame; cleared by a failed
    // link check or a short reply, so that the next operation starts the
    // unit again.
    int VWInitialised = 0;
};

extern State state;

// Puts the record back to its state at program start.
void reset();

inline constexpr const char *kTimeoutMessage = "VW: Timeout!!!\n";
inline constexpr const char *kShortReplyMessage = "VW: Incorrect No. Received Bytes!!!\n";

}  // namespace tevrak::drive
