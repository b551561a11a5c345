#include "live/connection.h"

#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace tevrak::sim::view {
namespace {

int port_of(const sockaddr_storage &address) {
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return -1;
}

bool is_connection(int fd, int local_port, const std::string &remote_address, int remote_port) {
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t local_length = sizeof local;
    socklen_t peer_length = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &local_length) != 0 || port_of(local) != local_port ||
        ::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peer_length) != 0 || port_of(peer) != remote_port) {
        return false;
    }
    char host[NI_MAXHOST];
    return ::getnameinfo(reinterpret_cast<sockaddr *>(&peer), peer_length, host, sizeof host, nullptr, 0,
                         NI_NUMERICHOST) == 0 &&
           remote_address == host;
}

}  // namespace

int find_connection(int local_port, const std::string &remote_address, int remote_port) {
    const std::unique_ptr<DIR, int (*)(DIR *)> folder(::opendir("/proc/self/fd"), ::closedir);
    if (!folder) return -1;
    const int own = ::dirfd(folder.get());
    while (const dirent *entry = ::readdir(folder.get())) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own) continue;
        if (is_connection(static_cast<int>(fd), local_port, remote_address, remote_port)) return static_cast<int>(fd);
    }
    return -1;
}

bool wait_for_wake(int wake, int connection) {
    // POLLRDHUP: the peer closed its side; data it might send is no reason
    // to wake.
    pollfd fds[2] = {{wake, POLLIN, 0}, {connection, POLLRDHUP, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return false;
        if (fds[1].revents != 0) return false;
        if (fds[0].revents != 0) return true;
    }
}

}  // namespace tevrak::sim::view
