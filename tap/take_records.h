// The loop of a program that listens to the tap: records until a signal
// (SIGINT, SIGTERM, SIGHUP) says stop. New drops are reported on standard
// error as "<program>: N records dropped" (the total so far).
#pragma once

#include <functional>
#include <string_view>

#include "tap/listener.h"

namespace tevrak::tap {

// Blocks the stopping signals in the calling thread (call it before any
// other thread starts, so that they inherit the mask).
void block_stop_signals();

// Hands each record to take until a stopping signal arrives; false when
// the wait itself failed.
bool take_records(Listener &listener, std::string_view program, const std::function<void(const Record &)> &take);

}  // namespace tevrak::tap
