#include "tap/take_records.h"

#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace tevrak::tap {
namespace {

sigset_t stop_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

}  // namespace

void block_stop_signals() {
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

bool take_records(Listener &listener, std::string_view program, const std::function<void(const Record &)> &take) {
    block_stop_signals();
    const sigset_t signals = stop_signals();
    const int signal_fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signal_fd < 0) return false;
    std::uint64_t dropped = 0;
    pollfd fds[2] = {{signal_fd, POLLIN, 0}, {listener.fd(), POLLIN, 0}};
    bool ok = true;
    while (true) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        // Records that came before the signal are still taken.
        while (const auto record = listener.receive()) take(*record);
        if (listener.dropped() != dropped) {
            dropped = listener.dropped();
            std::fprintf(stderr, "%.*s: %llu records dropped\n", static_cast<int>(program.size()), program.data(),
                         static_cast<unsigned long long>(dropped));
        }
        if (fds[0].revents != 0) break;
    }
    ::close(signal_fd);
    return ok;
}

}  // namespace tevrak::tap
