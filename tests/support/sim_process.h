// The tevrak-sim program as a child process of a test, as users start it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tevrak::test {

class SimProcess {
public:
    // Starts tevrak-sim with args; standard input is /dev/null, standard
    // output is read here. The simulator dies with the test.
    explicit SimProcess(std::vector<std::string> args);
    // Kills the simulator (SIGKILL) unless it ended already.
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Reads standard output until a line starting with prefix came; the
    // line, or empty on timeout or end of output.
    std::string wait_for_line(const std::string &prefix, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Waits for the exit; the exit status (128 + signal when killed), or -1
    // on timeout.
    int wait_exit(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string text_;
};

// Waits for the child pid to end: its exit status (128 + signal when
// killed), or -1 on timeout (the child is then left as it is).
int wait_child_exit(pid_t pid, std::chrono::milliseconds timeout);

}  // namespace tevrak::test
