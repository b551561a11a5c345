// tevrak-bridge: the two ends of the board's link over SSH, with a heartbeat.
//
//   tevrak-bridge [--lease MS] PORT                      (on the robot)
//   tevrak-bridge --laptop [--lease MS] BOARD_FD LINK_FD  (on the laptop)
//
// On the robot it opens and locks PORT, says "@bridge framed", and joins the
// session's standard input and output to it. When the laptop falls silent
// for longer than the lease, the session ends, the stream is damaged or a
// signal arrives, it stops what the laptop's bytes set moving, closes the
// port and exits. On the laptop it joins the terminal BOARD_FD, which the
// laptop's programs use as their board, to the session LINK_FD, and ends
// when the robot falls silent or the session ends.
#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "tools/bridge/board_stop.h"
#include "tools/bridge/relay.h"
#include "tools/bridge/robot_port.h"

namespace {

using std::chrono::milliseconds;
using tevrak::bridge::Ending;

constexpr const char *kUsage =
    "usage: tevrak-bridge [--lease MS] PORT\n"
    "       tevrak-bridge --laptop [--lease MS] BOARD_FD LINK_FD\n";
constexpr long kShortestLease = 50;
constexpr long kLongestLease = 60000;
constexpr milliseconds kLongestPeriod{100};
// The far end's first heartbeat may wait for the laptop's set-up.
constexpr milliseconds kFirstWord{10000};
constexpr milliseconds kStopBound{300};

struct Options {
    bool laptop = false;
    long lease = 500;
    const char *words[2] = {};
    int count = 0;
};

bool number(const char *text, long low, long high, long &value) {
    const std::string_view word(text);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && value >= low && value <= high;
}

bool parse(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "--laptop") {
            options.laptop = true;
        } else if (word == "--lease" && i + 1 < argc) {
            if (!number(argv[++i], kShortestLease, kLongestLease, options.lease)) return false;
        } else if (options.count < 2 && !word.starts_with("-")) {
            options.words[options.count++] = argv[i];
        } else {
            return false;
        }
    }
    return options.count == (options.laptop ? 2 : 1);
}

// SIGTERM, SIGINT and SIGHUP (the session's hang-up) end the loop through a
// descriptor of its poll; a closed link is an error return, not SIGPIPE.
int signal_descriptor() {
    sigset_t set;
    sigemptyset(&set);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, number);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

tevrak::bridge::RelayTimes times_for(long lease) {
    const milliseconds period = std::min(kLongestPeriod, milliseconds(lease / 3));
    return {milliseconds(lease), period, kFirstWord};
}

int run_robot(const Options &options, int signals) {
    char message[512];
    const int port = tevrak::bridge::open_board(options.words[0], message, sizeof message);
    if (port < 0) {
        std::printf("@error %s\n", message);
        return 1;
    }
    std::fputs("@bridge framed\n", stdout);
    std::fflush(stdout);
    set_nonblocking(STDIN_FILENO);
    set_nonblocking(STDOUT_FILENO);
    tevrak::bridge::BoardTrace trace;
    const Ending ending =
        tevrak::bridge::relay({port, STDIN_FILENO, STDOUT_FILENO, signals}, times_for(options.lease), &trace);
    tevrak::bridge::stop_board(port, trace.cursor, trace.motion, kStopBound);
    close(port);
    return ending == Ending::link_closed || ending == Ending::signal ? 0 : 1;
}

int run_laptop(const Options &options, int signals) {
    long board = 0, link = 0;
    if (!number(options.words[0], 0, 1 << 20, board) || !number(options.words[1], 0, 1 << 20, link) ||
        fcntl(static_cast<int>(board), F_GETFD) < 0 || fcntl(static_cast<int>(link), F_GETFD) < 0) {
        std::fputs("tevrak-bridge: BOARD_FD and LINK_FD must be open descriptors\n", stderr);
        return 2;
    }
    set_nonblocking(static_cast<int>(board));
    set_nonblocking(static_cast<int>(link));
    const Ending ending =
        tevrak::bridge::relay({static_cast<int>(board), static_cast<int>(link), static_cast<int>(link), signals},
                              times_for(options.lease), nullptr);
    // Fixed texts only: nothing the robot sent is printed.
    switch (ending) {
    case Ending::silent:
        std::fprintf(stderr, "tevrak-bridge: the robot fell silent for more than %ld ms\n", options.lease);
        return 1;
    case Ending::never_heard: std::fputs("tevrak-bridge: the robot's end never answered\n", stderr); return 1;
    case Ending::damaged: std::fputs("tevrak-bridge: the robot sent a damaged stream\n", stderr); return 1;
    case Ending::board_gone: return 1;
    case Ending::link_closed:
    case Ending::signal: break;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int signals = signal_descriptor();
    if (signals < 0) {
        std::perror("tevrak-bridge: signalfd");
        return 1;
    }
    return options.laptop ? run_laptop(options, signals) : run_robot(options, signals);
}
