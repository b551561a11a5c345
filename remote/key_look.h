// One look for a key without waiting: the step that RCINGet repeats between
// its sleeps on the daemon connection, shared with callers that bound the
// sleep themselves.
#pragma once

namespace tevrak::rcin {

enum class Found {
    key,           // key holds the key code (1 to 255)
    early_repeat,  // an early repeat of a held key (below the hold delay)
    nothing,       // no complete event line is pending
    error,         // the client library reported an error
};

struct Look {
    Found found;
    int key;
};

// Takes the complete lines the client library holds, skipping the daemon's
// notices and events without a key code, until one is a key or an early
// repeat (judged with the hold delay), none is left, or the library fails.
Look look_for_key();

}  // namespace tevrak::rcin
