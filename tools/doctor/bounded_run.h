// Runs a program with a bound on its time: tevrak-doctor never waits on a
// listing command or an interpreter that hangs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tevrak::doctor {

struct RunResult {
    bool started = false;    // the program could be started
    bool timed_out = false;  // killed at the bound
    int status = -1;         // exit status (128 + signal when killed)
    std::string out;         // standard output (at most 64 KiB)
    std::string err;         // standard error (at most 64 KiB)
};

RunResult run_bounded(const std::vector<std::string> &command, std::chrono::milliseconds bound);

}  // namespace tevrak::doctor
