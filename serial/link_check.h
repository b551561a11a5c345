// The link check with what it took, for a program that reports on the link
// (tevrak-doctor): SERCheck is this check without the figures.
#pragma once

#include <chrono>

namespace tevrak::serial {

struct LinkCheck {
    bool answered = false;  // the board answered a probe with the marker
    int probes = 0;         // probes sent, the answered one included
    // From the answered probe's write to its marker's read.
    std::chrono::steady_clock::duration round_trip{};
};

// Runs the link check as SERCheck does (probes, flush, or the port closed
// when no probe was answered) and says what it took.
LinkCheck check_link(int interface);

}  // namespace tevrak::serial
