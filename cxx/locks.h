// The C++ layer's two locks: one for the serial link, held for each whole
// command, and one for the remote-control unit, never held while sleeping.
#pragma once

#include <mutex>

namespace tevrak::cxx {

// Timed, so that a bounded wait can give up on a link held by others.
std::timed_mutex &link_mutex();
std::mutex &remote_mutex();

}  // namespace tevrak::cxx
