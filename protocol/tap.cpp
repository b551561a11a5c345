#include "protocol/tap.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "config/paths.h"
#include "protocol/tap_record.h"

namespace tevrak::protocol::tap {
namespace {

// The tap's state: the connected socket, if any, and the robot folder it
// was looked for in.
struct State {
    int fd = -1;
    unsigned generation = 0;
    bool looked = false;
    std::uint32_t dropped = 0;
};
State state;
thread_local Call current_call = Call::operation;

// Only a socket of this user is a listener: a file of another kind or
// owner in its place gets nothing.
int connect_listener(const char *path) {
    struct stat status {};
    if (::lstat(path, &status) != 0 || !S_ISSOCK(status.st_mode) || status.st_uid != ::geteuid()) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path) return -1;
    std::strcpy(address.sun_path, path);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void look_for_listener() {
    if (state.fd >= 0) ::close(state.fd);
    state.fd = connect_listener(paths::tap_socket());
    state.generation = paths::home_generation();
    state.looked = true;
    state.dropped = 0;
}

}  // namespace

void note(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> reply, int outcome) {
    if (!state.looked || state.generation != paths::home_generation()) look_for_listener();
    if (state.fd < 0) return;
    Record record;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    record.time_ns = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    record.dropped = state.dropped;
    record.outcome = static_cast<std::uint8_t>(outcome);
    record.call = static_cast<std::uint8_t>(current_call);
    record.frame_length = static_cast<std::uint8_t>(std::min(frame.size(), sizeof record.frame));
    std::copy_n(frame.begin(), record.frame_length, record.frame);
    record.reply_length = static_cast<std::uint8_t>(std::min(reply.size(), sizeof record.reply));
    std::copy_n(reply.begin(), record.reply_length, record.reply);
    if (::send(state.fd, &record, sizeof record, MSG_DONTWAIT | MSG_NOSIGNAL) == sizeof record) return;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) {
        ++state.dropped;
        return;
    }
    // The listener went away.
    ::close(state.fd);
    state.fd = -1;
}

CallScope::CallScope(Call call) noexcept : outer_(current_call == Call::operation) {
    if (outer_) current_call = call;
}

CallScope::~CallScope() {
    if (outer_) current_call = Call::operation;
}

}  // namespace tevrak::protocol::tap
