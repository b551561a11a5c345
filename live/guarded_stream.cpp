#include "live/guarded_stream.h"

#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tevrak::sim::view {

ssize_t GuardedStream::read(char *ptr, size_t size) {
    if (used_ >= limit_) {
        cut_ = limit_ == kMostHeadBytes ? Cut::head : Cut::body;
        return -1;
    }
    if (offset_ == size_) {
        if (!wait(POLLIN, deadline_)) {
            if (StreamClock::now() >= deadline_) cut_ = Cut::time;
            return -1;
        }
        ssize_t n;
        do {
            n = ::recv(fd_, buffer_, sizeof buffer_, 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return n;
        offset_ = 0;
        size_ = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min({size, size_ - offset_, limit_ - used_});
    std::memcpy(ptr, buffer_ + offset_, n);
    offset_ += n;
    used_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t GuardedStream::write(const char *ptr, size_t size) {
    if (!is_writable()) return -1;
    ssize_t n;
    do {
        n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool GuardedStream::wait(short events, StreamClock::time_point until) const {
    for (;;) {
        if (listener_ == INVALID_SOCKET) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - StreamClock::now()).count();
        if (left <= 0) return false;
        pollfd fd{fd_, events, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left, 100)));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

void GuardedStream::address(int (*name)(int, sockaddr *, socklen_t *), std::string &ip, int &port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (name(fd_, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        ::getnameinfo(reinterpret_cast<sockaddr *>(&address), length, host, sizeof host, service, sizeof service,
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return;
    }
    ip = host;
    port = std::atoi(service);
}

}  // namespace tevrak::sim::view
