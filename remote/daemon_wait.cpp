#include "remote/daemon_wait.h"

#include <poll.h>

#include <cerrno>

namespace tevrak::rcin {
namespace {

using Clock = std::chrono::steady_clock;

// poll(2) on the descriptor until it is ready or the deadline (none: no
// limit) has passed; a signal does not end the wait early.
Connection wait_until(int descriptor, const Clock::time_point *deadline) {
    if (descriptor < 0) return Connection::closed;
    pollfd entry{descriptor, POLLIN, 0};
    for (;;) {
        int timeout_ms = -1;
        if (deadline != nullptr) {
            // Rounded up, so that the wait never ends before the deadline.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            timeout_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int ready = ::poll(&entry, 1, timeout_ms);
        if (ready > 0) break;
        if (ready == 0 && deadline != nullptr) return Connection::timed_out;
        if (ready < 0 && errno != EINTR) return Connection::closed;
    }
    // A hang-up may come together with the last data; the caller drains what
    // is left before it gives up.
    if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Connection::closed;
    return Connection::readable;
}

}  // namespace

Connection wait_for_data(int descriptor) { return wait_until(descriptor, nullptr); }

Connection wait_for_data(int descriptor, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    return wait_until(descriptor, &deadline);
}

}  // namespace tevrak::rcin
