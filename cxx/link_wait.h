// How the C++ layer's waits on the board end early: a hook asked between
// the slices of every wait for a byte (the Python module's Ctrl-C), and the
// bound of a whole link check (tevrak::set_link_timeout).
#pragma once

namespace tevrak::cxx {

// Installs check (null: none) for every later wait on the board. When it
// returns true, the running command's waits and link checks fail at once;
// its call throws LinkError and the unit starts afresh on its next call.
// It runs on the waiting thread while that thread holds the link.
void set_interrupt_check(bool (*check)());

}  // namespace tevrak::cxx
