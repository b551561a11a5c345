// The drive's start-up and status reads with their whole outcome. The C
// functions fold each outcome into one int, in which 1 is both a failure
// and a valid status; callers that must tell them apart use these.
#pragma once

#include <cstdint>

#include "protocol/command.h"

namespace tevrak::drive {

// VWInit's steps: ok when the unit is started (also when it already was);
// startup_failed when hdt.txt cannot be read or the port cannot be opened;
// link_failed when the board did not answer the link check before the
// set-up frame (message written).
protocol::Outcome start();

enum class Startup { when_needed, done };

// Reads the drive status byte (DA), running the unit's start-up first unless
// it is done (a loop that started the unit once and then only polls);
// status is set only on Outcome::ok.
protocol::Outcome read_status(std::uint8_t &status, Startup startup = Startup::when_needed);

// Reads the remaining distance (FA) with one read of both reply bytes;
// distance is set only on Outcome::ok. A short reply writes its message and
// marks the unit not started before it returns Outcome::short_reply.
protocol::Outcome read_remaining(int &distance);

}  // namespace tevrak::drive
