#include "remote/daemon_wait.h"

#include <poll.h>

#include <cerrno>

namespace tevrak::rcin {

Connection wait_for_data(int descriptor) {
    if (descriptor < 0) return Connection::closed;
    pollfd entry{descriptor, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, -1);
        if (ready > 0) break;
        if (ready < 0 && errno != EINTR) return Connection::closed;
    }
    // A hang-up may come together with the last data; the caller drains what
    // is left before it gives up.
    if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Connection::closed;
    return Connection::readable;
}

}  // namespace tevrak::rcin
