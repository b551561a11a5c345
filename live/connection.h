// The TCP connection behind an HTTP request, so that a stream that sends
// nothing while nothing changes still notices a viewer that went away.
#pragma once

#include <string>

namespace tevrak::sim::view {

// The descriptor of this process's connected TCP socket with the given
// local port and peer (numeric address and port); -1 when there is none.
int find_connection(int local_port, const std::string &remote_address, int remote_port);

// Sleeps until wake is readable (true) or the peer of connection closed or
// failed (false). A connection of -1 is not watched.
bool wait_for_wake(int wake, int connection);

}  // namespace tevrak::sim::view
