// A cycle: several commands back to back behind one link check. While a
// cycle is open, the command routine runs the link check for its first
// command (and again after a unit's start-up reopened the port) and then
// sends the frames without it. Any failure closes the cycle: the failing
// call reports it as it always does, and every later command runs its own
// link check again. Outside a cycle the routine is as it always was.
#pragma once

namespace tevrak::protocol::cycle {

struct State {
    bool open = false;          // between begin() and end() or a failure
    bool link_checked = false;  // the link check of this cycle passed
    bool broken = false;        // a failure closed the cycle before end()
};

extern State state;

// Opens a cycle; false when one was open already (it goes on).
bool begin();
// Closes the cycle; false when a failure had closed it before.
bool end();

// For the command routine: true when the link check may be skipped.
inline bool skips_link_check() { return state.open && state.link_checked; }
// The link check passed: the cycle's next frames go without it.
inline void note_link_checked() { state.link_checked = state.open; }
// A unit's start-up may reopen the port: the next command checks the link.
inline void forget_link_check() { state.link_checked = false; }
// A command failed: the cycle is over.
void close_on_failure();

}  // namespace tevrak::protocol::cycle
