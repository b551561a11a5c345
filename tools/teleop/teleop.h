// The tool's one poll loop: waits on the inputs' descriptors, the signals
// and the inputs' timers, sends the chosen speed to the drive at a steady
// rate while it is not zero, writes the status line, and stops the robot on
// every way out.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/teleop/demand.h"
#include "tools/teleop/input.h"

namespace tevrak::teleop {

struct LoopSettings {
    Limits limits;
    // Between two sends of a non-zero speed (20 per second).
    std::chrono::milliseconds send_period{50};
    // Between two status lines at the most (10 per second), and while the
    // robot stands still.
    std::chrono::milliseconds status_period{100};
    std::chrono::milliseconds idle_status_period{500};
    // Where the status line goes (null: none) and whether it is a terminal
    // (one line rewritten in place) or not (a line per change).
    std::FILE *status = stdout;
    bool status_in_place = true;
};

// How the loop ended.
struct Ending {
    int exit_status = 0;  // 0 quit, 128 + signal, 1 lost input or failure
    std::string reason;   // "q pressed", "SIGTERM", "the pad is gone", ...
};

class Teleop {
public:
    explicit Teleop(LoopSettings settings);
    ~Teleop();
    Teleop(const Teleop &) = delete;
    Teleop &operator=(const Teleop &) = delete;

    void add(std::unique_ptr<Input> input);
    // Also ends the loop on these signals (blocked here, read through a
    // signalfd): SIGINT, SIGTERM, SIGHUP, SIGQUIT. Call before threads start.
    void take_signals();

    // Starts the drive and runs until an input quits or is lost, a signal
    // comes or quit() is called; the robot stands still when it returns.
    // Drive failures at start-up are thrown (tevrak::Error).
    Ending run();

    // Ends run() from another thread (safe at any time).
    void quit();

private:
    struct Robot;
    std::optional<Ending> wait_and_handle(Robot &robot);
    Demand chosen() const;

    LoopSettings settings_;
    std::vector<std::unique_ptr<Input>> inputs_;
    int signal_fd_ = -1;
    int quit_fd_ = -1;
};

}  // namespace tevrak::teleop
