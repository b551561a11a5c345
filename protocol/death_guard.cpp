#include "protocol/death_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "protocol/opcodes.h"
#include "serial/link_bytes.h"
#include "serial/link_control.h"
#include "serial/port_lock.h"
#include "tevrak/serial.h"

namespace tevrak::protocol::death_guard {

State state;

namespace {

constexpr char kNormalExit = 'N';  // the program ends through exit()
constexpr char kQuit = 'Q';        // the library closes the port

// The guard's link check: probes, each waiting this long for the marker.
constexpr int kGuardProbes = 20;
constexpr int kProbeWaitMs = 50;

// ---- The guard process. From fork to _exit only async-signal-safe calls:
// the program may have had other threads holding locks at the fork.

void write_all(int port, const std::uint8_t *bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(port, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
}

long now_ms() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// The library's link check, bounded: the probe until the marker comes.
bool link_check(int port) {
    ::tcflush(port, TCIFLUSH);  // a reply the program never read is no answer
    for (int attempt = 0; attempt < kGuardProbes; ++attempt) {
        const std::uint8_t probe = serial::kProbe;
        write_all(port, &probe, 1);
        const long end = now_ms() + kProbeWaitMs;
        for (long left = kProbeWaitMs; left > 0; left = end - now_ms()) {
            pollfd input{port, POLLIN, 0};
            const int ready = ::poll(&input, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            std::uint8_t bytes[32];
            const ssize_t n = ::read(port, bytes, sizeof bytes);
            if (n <= 0) return false;  // the port is gone
            for (ssize_t i = 0; i < n; ++i) {
                if (bytes[i] == serial::kReplyMarker) return true;
            }
        }
    }
    return false;
}

void stop_board(int port, const Shared &shared) {
    // A frame cut short first: its missing bytes would otherwise take the
    // probes as arguments. A byte is counted only after its write returned,
    // so at worst one zero too many goes out, which the board ignores.
    const unsigned length = shared.frame_length.load();
    const unsigned sent = shared.frame_sent.load();
    if (length > sent) {
        static constexpr std::uint8_t kZeros[kMaxFrameLength] = {};
        write_all(port, kZeros, length - sent < kMaxFrameLength ? length - sent : kMaxFrameLength);
    }
    // Sent even when the board does not answer: a stop may still get through.
    link_check(port);
    std::uint8_t stop[kMaxStopBytes];
    write_all(port, stop, stop_frames(shared.motion, stop, sizeof stop));
}

// Closes every descriptor but a and b.
void keep_only(int a, int b) {
    const unsigned low = static_cast<unsigned>(a < b ? a : b);
    const unsigned high = static_cast<unsigned>(a < b ? b : a);
    if (low > 0) ::close_range(0, low - 1, 0);
    if (high > low + 1) ::close_range(low + 1, high - 1, 0);
    ::close_range(high + 1, ~0U, 0);
}

[[noreturn]] void run_guard(int port, int pipe, const Shared *shared) {
    keep_only(port, pipe);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGTSTP, SIGTTOU}) {
        ::sigaction(signal, &ignore, nullptr);
    }
    bool normal_exit = false;
    for (;;) {
        char note = 0;
        const ssize_t n = ::read(pipe, &note, 1);
        if (n == 1 && note == kQuit) ::_exit(0);
        if (n == 1 && note == kNormalExit) normal_exit = true;
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    if (!normal_exit && !shared->keep_moving.load() && shared->motion.any()) stop_board(port, *shared);
    ::_exit(0);
}

// ---- The program's side.

void forget_guard() {
    if (state.pipe >= 0) ::close(state.pipe);
    if (state.shared != nullptr) ::munmap(state.shared, sizeof(Shared));
    state.shared = nullptr;
    state.pipe = -1;
    state.guard = 0;
}

void announce_normal_exit() {
    if (state.pipe < 0 || state.owner != ::getpid()) return;
    const char note = kNormalExit;
    while (::write(state.pipe, &note, 1) < 0 && errno == EINTR) {}
    // The next program may open the port at once: the lock goes now, not
    // when the guard has read the note.
    if (const int port = serial::open_port_fd(); port >= 0) serial::unlock_port(port);
}

// A child forked by the program must not hold the pipe open (its parent's
// death would go unseen) nor announce an exit that is not the program's.
void forget_guard_in_child() {
    if (state.pipe >= 0) ::close(state.pipe);
    state.pipe = -1;
    state.shared = nullptr;
    state.guard = 0;
}

void install_hooks() {
    if (state.hooks_installed) return;
    state.hooks_installed = true;
    std::atexit(announce_normal_exit);
    ::pthread_atfork(nullptr, nullptr, forget_guard_in_child);
    serial::set_port_closing(end_quietly);
}

// A guard that is no child of the program: the first fork's child starts
// it and ends at once, so no zombie stays and no wait() of the program
// sees it; in a session of its own, no Ctrl-C or kill of the program's
// process group reaches it.
void start(int port) {
    void *page = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return;
    auto *shared = new (page) Shared{};
    shared->motion = state.carried;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        ::munmap(page, sizeof(Shared));
        return;
    }
    int report[2];  // the guard's pid, from the first child
    if (::pipe2(report, O_CLOEXEC) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        ::munmap(page, sizeof(Shared));
        return;
    }
    const pid_t child = ::_Fork();
    if (child == 0) {
        ::setsid();
        const pid_t guard = ::_Fork();
        if (guard == 0) run_guard(port, ends[0], shared);
        if (::write(report[1], &guard, sizeof guard) != sizeof guard) ::_exit(1);
        ::_exit(guard < 0 ? 1 : 0);
    }
    ::close(ends[0]);
    ::close(report[1]);
    pid_t guard = -1;
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
        if (::read(report[0], &guard, sizeof guard) != sizeof guard) guard = -1;
    }
    ::close(report[0]);
    if (guard <= 0) {
        ::close(ends[1]);
        ::munmap(page, sizeof(Shared));
        return;
    }
    install_hooks();
    state.shared = shared;
    state.pipe = ends[1];
    state.owner = ::getpid();
    state.guard = guard;
}

}  // namespace

void frame_begins(int port, std::span<const std::uint8_t> frame) {
    if (state.shared == nullptr && port >= 0 && !keeps_moving()) start(port);
    Shared *shared = state.shared;
    if (shared == nullptr) return;
    // Noted before the first byte: a stop for a frame that never arrived
    // is harmless, a missed one is not.
    shared->motion.note(frame.data(), frame.size());
    shared->frame_sent.store(0);
    shared->frame_length.store(static_cast<std::uint8_t>(frame.size()));
}

void byte_sent(std::size_t sent) {
    if (state.shared != nullptr) state.shared->frame_sent.store(static_cast<std::uint8_t>(sent));
    if (state.between_bytes != nullptr) state.between_bytes(sent);
}

void frame_ends() {
    if (state.shared != nullptr) state.shared->frame_length.store(0);
}

void end_quietly() {
    if (state.shared != nullptr) state.carried = state.shared->motion;
    if (state.pipe >= 0) {
        const char note = kQuit;
        while (::write(state.pipe, &note, 1) < 0 && errno == EINTR) {}
    }
    forget_guard();
}

bool keeps_moving() {
    if (state.keep_moving < 0) {
        const char *variable = std::getenv("TEVRAK_KEEP_MOVING");
        state.keep_moving = variable != nullptr && variable[0] != '\0' && std::strcmp(variable, "0") != 0;
    }
    return state.keep_moving != 0;
}

void set_keep_moving(bool keep) {
    state.keep_moving = keep ? 1 : 0;
    if (state.shared != nullptr) state.shared->keep_moving.store(keep ? 1 : 0);
}

}  // namespace tevrak::protocol::death_guard

extern "C" void SERKeepMoving(int keep) { tevrak::protocol::death_guard::set_keep_moving(keep != 0); }
