// tevrak-teleop's tests: a tevrak-sim whose commanded speeds are read back
// through its `status` and frame log, and the tool on a pseudo-terminal.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/sim_process.h"
#include "support/temp_home.h"

namespace tevrak::test {

// The simulator's speeds in its board units: mm/s and hundredths of a
// radian per second.
struct SimSpeed {
    int linear = 0;
    int angular = 0;
    bool moving() const { return linear != 0 || angular != 0; }
};

// Degrees per second as the board gets them (the library converts).
int board_angular(int degrees_per_second);

class TeleopSim {
public:
    TeleopSim();
    SimSpeed speed();
    // Waits until the speed satisfies want; the time since start, or
    // nothing when timeout passed first.
    std::optional<std::chrono::milliseconds> wait_until(const std::function<bool(SimSpeed)> &want,
                                                        std::chrono::steady_clock::time_point start,
                                                        std::chrono::milliseconds timeout);
    // Every speed the drive was sent (VWSetSpeed lines of the frame log).
    std::vector<SimSpeed> sent_speeds() const;
    void control(const std::string &line) const;
    std::string lirc_socket() const { return home.root() + "/lircd"; }

    TempHome home;
    std::string log;
    SimProcess sim;
};

// tevrak-teleop started on a pseudo-terminal with TEVRAK_HOME and the
// simulator's remote; its output is drained all the time.
class PtyTool {
public:
    PtyTool(const TeleopSim &robot, std::vector<std::string> args);
    ~PtyTool();
    PtyTool(const PtyTool &) = delete;
    PtyTool &operator=(const PtyTool &) = delete;

    void type(const std::string &bytes) const;
    // Waits until the output holds text.
    bool wait_output(const std::string &text, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::string output();
    void hang_up();  // closes the terminal's master side
    // The exit status (128 + signal when killed), or -1 on timeout.
    int wait_exit(std::chrono::milliseconds timeout);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int master_ = -1;
    std::mutex mutex_;
    std::string output_;
    std::atomic<bool> stop_reading_{false};
    std::thread reader_;
};

// Prints a measured figure for bench/teleop_stops.md.
void report_figure(const std::string &what, std::chrono::milliseconds value);

}  // namespace tevrak::test
