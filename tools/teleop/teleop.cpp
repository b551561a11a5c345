#include "tools/teleop/teleop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

#include <tevrak/tevrak.hpp>

namespace tevrak::teleop {
namespace {

using std::chrono::milliseconds;

// A link that stops answering holds the loop this long per call at most.
constexpr milliseconds kLinkBound{300};
// The inputs the loop waits on at once, besides the signals and quit().
constexpr std::size_t kMostInputs = 8;
// hdt.txt lists this many distance sensors at most (a guess for the search).
constexpr int kMostSensors = 8;

std::optional<Clock::time_point> earliest(std::optional<Clock::time_point> a, std::optional<Clock::time_point> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

}  // namespace

// The drive and the sensors as the loop sees them: the last speed sent, when
// the next send is due, the status line.
struct Teleop::Robot {
    explicit Robot(const LoopSettings &settings) : settings(settings) {
        for (int n = 1; n <= kMostSensors; ++n) {
            try {
                sensors.emplace_back(n);
            } catch (const std::out_of_range &) {
                break;
            } catch (const tevrak::Error &) {
                break;
            }
        }
    }

    // Sends the demand when it changed, and again every send period while
    // it is not zero or the last send failed.
    void send(Demand demand, Clock::time_point now) {
        const bool due = now >= next_send && (demand.moving() || failed);
        if (demand == sent && !due) return;
        next_send = now + settings.send_period;
        changed = changed || !(demand == sent);
        try {
            drive.set_speed(demand.linear, demand.angular);
            failed = false;
            link_note.clear();
        } catch (const tevrak::Error &error) {
            failed = true;
            link_note = error.what();
        }
        sent = demand;
    }

    std::optional<Clock::time_point> due() const {
        std::optional<Clock::time_point> next;
        if (settings.status) next = next_status();
        if (sent.moving() || failed) next = earliest(next, next_send);
        return next;
    }

    // Stops the chassis on the way out: a second try when the first fails.
    void stop_now() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                drive.stop();
                sent = {};
                failed = false;
                return;
            } catch (const tevrak::Error &error) {
                failed = true;
                link_note = error.what();
            }
        }
    }

    // The status line: every status period while the speed is not zero or
    // just changed, less often while standing still (each line reads the
    // sensors over the link).
    Clock::time_point next_status() const {
        return shown_at + (sent.moving() || changed ? settings.status_period : settings.idle_status_period);
    }
    bool status_due(Clock::time_point now) const { return settings.status && now >= next_status(); }

    void show(const std::string &inputs, Clock::time_point now) {
        shown_at = now;
        changed = false;
        std::string text = inputs + " | linear " + std::to_string(sent.linear) + " mm/s, angular " +
                           std::to_string(sent.angular) + " deg/s";
        if (!sensors.empty()) {
            text += " | distance";
            // A link that fails holds each read for its whole bound: after
            // one failure (or a failed send) the rest wait for the next line,
            // so that keys are still read in time.
            bool reachable = !failed;
            for (auto &sensor : sensors) {
                text += ' ' + std::to_string(sensor.number()) + ':';
                try {
                    if (!reachable) throw tevrak::LinkError("PSD", "PSDGet", -1, "skipped");
                    text += std::to_string(sensor.distance());
                } catch (const tevrak::Error &) {
                    reachable = false;
                    text += '?';
                }
            }
            text += " mm";
        }
        if (!link_note.empty()) text += " | link: " + link_note;
        if (text == shown) return;
        shown = text;
        if (settings.status_in_place) {
            std::fprintf(settings.status, "\r%s\x1b[K", text.c_str());
        } else {
            std::fprintf(settings.status, "%s\n", text.c_str());
        }
        std::fflush(settings.status);
        line_open = settings.status_in_place;
    }

    void close_line() {
        if (line_open) std::fputs("\r\n", settings.status);
        if (settings.status) std::fflush(settings.status);
        line_open = false;
    }

    const LoopSettings &settings;
    tevrak::Drive drive;
    std::vector<tevrak::DistanceSensor> sensors;
    Demand sent;
    bool failed = false;
    Clock::time_point next_send{};
    Clock::time_point shown_at{};
    bool changed = true;
    std::string link_note;
    std::string shown;
    bool line_open = false;
};

Teleop::Teleop(LoopSettings settings) : settings_(settings) { quit_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

Teleop::~Teleop() {
    if (signal_fd_ >= 0) ::close(signal_fd_);
    if (quit_fd_ >= 0) ::close(quit_fd_);
}

void Teleop::add(std::unique_ptr<Input> input) {
    if (inputs_.size() >= kMostInputs) throw std::length_error("too many inputs");
    inputs_.push_back(std::move(input));
}

void Teleop::take_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal);
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
    signal_fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    // A status line into a closed pipe must fail, not kill the tool before
    // it stops the robot; and nothing may suspend it while the robot drives.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGTSTP, SIG_IGN);
}

void Teleop::quit() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(quit_fd_, &one, sizeof one);
}

Demand Teleop::chosen() const {
    const Input *latest = nullptr;
    for (const auto &input : inputs_) {
        if (!input->demand().moving()) continue;
        if (!latest || input->changed() > latest->changed()) latest = input.get();
    }
    return latest ? clamp(latest->demand(), settings_.limits) : Demand{};
}

Ending Teleop::run() {
    tevrak::set_link_timeout(kLinkBound);
    Robot robot(settings_);
    // Whatever ends the loop, an exception included, the chassis stops.
    tevrak::StopGuard guard;
    robot.send(Demand{}, Clock::now());
    for (;;) {
        if (auto ending = wait_and_handle(robot)) {
            robot.stop_now();
            robot.close_line();
            return *ending;
        }
    }
}

std::optional<Ending> Teleop::wait_and_handle(Robot &robot) {
    auto now = Clock::now();
    std::optional<Clock::time_point> next = robot.due();
    for (const auto &input : inputs_) next = earliest(next, input->deadline());
    int timeout = -1;
    if (next) {
        const auto left = std::chrono::ceil<milliseconds>(*next - now).count();
        timeout = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
    }

    std::array<pollfd, kMostInputs + 2> fds{};
    fds[0] = {signal_fd_, POLLIN, 0};
    fds[1] = {quit_fd_, POLLIN, 0};
    for (std::size_t i = 0; i < inputs_.size(); ++i) fds[i + 2] = {inputs_[i]->descriptor(), POLLIN, 0};
    ::poll(fds.data(), inputs_.size() + 2, timeout);
    now = Clock::now();

    if (fds[0].revents & POLLIN) {
        signalfd_siginfo info{};
        if (::read(signal_fd_, &info, sizeof info) == sizeof info) {
            const int signal = static_cast<int>(info.ssi_signo);
            return Ending{128 + signal, std::string(sigabbrev_np(signal) ? "SIG" : "signal ") +
                                            (sigabbrev_np(signal) ? sigabbrev_np(signal) : std::to_string(signal))};
        }
    }
    if (fds[1].revents & POLLIN) return Ending{0, "asked to quit"};

    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        auto &input = *inputs_[i];
        if (fds[i + 2].revents != 0) input.on_readable(now);
        if (const auto deadline = input.deadline(); deadline && *deadline <= now) input.on_time(now);
        if (input.wants_quit()) return Ending{0, std::string(input.name()) + ": quit"};
        if (input.lost()) return Ending{1, std::string(input.name()) + ": " + *input.lost()};
    }

    const Demand demand = chosen();
    robot.send(demand, now);
    if (!robot.status_due(now)) return std::nullopt;
    std::string names;
    for (const auto &input : inputs_) {
        if (!names.empty()) names += ' ';
        names += input->name();
        if (demand.moving() && input->demand().moving()) names += '*';
        if (const auto state = input->state(); !state.empty()) names += '(' + state + ')';
    }
    robot.show(names, now);
    return std::nullopt;
}

}  // namespace tevrak::teleop
