// tevrak-sim: a simulated robot for programs built against the library.
// Prepares a robot folder (hdt.txt, usbSearch, the board's link), plays the
// controller board on a pseudo-terminal, moves a differential-drive robot in
// an arena, logs every frame, and draws the run as an SVG at the end.
//
// The main loop waits in poll() on: signals (signalfd), a 20 ms timer that
// advances the world (and feeds the live page), standard input, the control
// FIFO and the page's control requests. Nothing runs in signal handlers; no
// loop spins. The remote's socket and the page are served by threads of
// their own (sim/view).
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/program/line_input.h"
#include "sim/program/options.h"
#include "sim/program/simulator.h"
#include "sim/view/live.h"
#include "tap/listener.h"
#include "tap/recorder.h"

namespace {

using tevrak::sim::LineInput;
using tevrak::sim::Simulator;

constexpr long kTickNanoseconds = 20'000'000;

// A descriptor closed on scope exit.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Runs the control lines; false once one of them says quit. With answers,
// each line that ran is followed by "ok" or "error: <why>" on standard
// output, after what the command printed itself.
bool run_lines(Simulator &simulator, std::vector<std::string> &lines, bool answer = false) {
    bool go_on = true;
    for (const auto &line : lines) {
        if (!go_on) break;
        std::string refusal;
        const auto result = simulator.control(line, &refusal);
        if (result == Simulator::Result::quit) go_on = false;
        if (answer && go_on) {
            if (result == Simulator::Result::error)
                std::printf("error: %s\n", refusal.c_str());
            else
                std::fputs("ok\n", stdout);
            std::fflush(stdout);
        }
    }
    lines.clear();
    return go_on;
}

int run(const tevrak::sim::Options &options) {
    // Signals arrive through a descriptor; block them before the board's
    // thread starts so that it inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return 1;
    std::signal(SIGPIPE, SIG_IGN);
    Descriptor signal_fd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    Descriptor timer_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (signal_fd.get() < 0 || timer_fd.get() < 0) {
        std::fprintf(stderr, "tevrak-sim: cannot set up signals and timer\n");
        return 1;
    }
    const itimerspec period{{0, kTickNanoseconds}, {0, kTickNanoseconds}};
    ::timerfd_settime(timer_fd.get(), 0, &period, nullptr);

    Simulator simulator(options);
    // The FIFO is opened for reading and for writing: with a writer of our
    // own it never reports end-of-file when a control writer closes it. A
    // link put in its place is not followed.
    const int flags = O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW;
    Descriptor control_fd(simulator.open_control(O_RDONLY | flags));
    Descriptor control_keep(simulator.open_control(O_WRONLY | flags));
    if (control_fd.get() < 0 || control_keep.get() < 0) {
        std::fprintf(stderr, "tevrak-sim: cannot open the control FIFO %s\n", simulator.control_path().c_str());
        return 1;
    }
    // With --record, the tap's records of the programs that run against us.
    std::unique_ptr<tevrak::tap::Listener> tap;
    std::unique_ptr<tevrak::tap::Recorder> recorder;
    if (!options.record_file.empty()) {
        tap = std::make_unique<tevrak::tap::Listener>(simulator.home() + "/tap.sock");
        recorder = std::make_unique<tevrak::tap::Recorder>(options.record_file, simulator.home() + "/bin/hdt.txt");
    }
    tevrak::sim::view::Live live(simulator, options);
    live.announce(stdout);
    std::printf("tevrak-sim: board ready at %s\n", simulator.link_path().c_str());
    std::fflush(stdout);

    LineInput stdin_lines;
    LineInput control_lines;
    std::vector<std::string> lines;
    pollfd fds[6] = {{signal_fd.get(), POLLIN, 0},  {timer_fd.get(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0},
                     {control_fd.get(), POLLIN, 0}, {live.wake_fd(), POLLIN, 0}, {tap ? tap->fd() : -1, POLLIN, 0}};
    bool running = true;
    std::optional<int> replay_status;
    while (running) {
        if (::poll(fds, 6, -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("tevrak-sim: poll");
            break;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info;
            if (::read(signal_fd.get(), &info, sizeof info) > 0) running = false;
        }
        if (fds[1].revents != 0) {
            std::uint64_t expirations = 0;
            (void)!::read(timer_fd.get(), &expirations, sizeof expirations);
            running = simulator.tick() && running;
            live.publish();
            replay_status = simulator.replay_end();
            if (replay_status) running = false;
        }
        if (fds[2].revents != 0) {
            // End of standard input is no reason to stop, as scripts close
            // it, unless the program that started us asked for it.
            if (stdin_lines.read_from(STDIN_FILENO, lines) == LineInput::State::ended) {
                fds[2].fd = -1;
                if (options.end_with_input) running = false;
            }
            running = run_lines(simulator, lines, options.answer) && running;
        }
        if (fds[3].revents != 0) {
            control_lines.read_from(control_fd.get(), lines);
            running = run_lines(simulator, lines) && running;
        }
        if (fds[4].revents != 0) running = live.run_page_commands() && running;
        if (fds[5].revents != 0) {
            while (const auto record = tap->receive()) recorder->write(*record);
        }
    }
    // Records that came before the end are still written.
    if (tap) {
        while (const auto record = tap->receive()) recorder->write(*record);
    }
    if (tap && tap->dropped() > 0) {
        std::fprintf(stderr, "tevrak-sim: %llu records dropped from the recording\n",
                     static_cast<unsigned long long>(tap->dropped()));
    }
    if (simulator.replaying()) {
        const std::string message = simulator.replay_message();
        if (!message.empty()) std::fprintf(stderr, "tevrak-sim: %s\n", message.c_str());
        return replay_status.value_or(0);
    }
    simulator.tick();
    const bool written = simulator.write_picture();
    if (written) {
        std::printf("tevrak-sim: picture of the run in %s\n", simulator.svg_path().c_str());
        std::fflush(stdout);
    }
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    std::string error;
    const auto options = tevrak::sim::parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "tevrak-sim: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(tevrak::sim::usage_text().c_str(), stdout);
        return 0;
    }
    try {
        return run(*options);
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "tevrak-sim: %s\n", failure.what());
        return 1;
    }
}
