#include "support/sim_process.h"

#include "support/target_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#ifndef TEVRAK_SIM_PROGRAM
#define TEVRAK_SIM_PROGRAM "tevrak-sim"
#endif

namespace tevrak::test {

using namespace std::chrono_literals;

SimProcess::SimProcess(std::vector<std::string> args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    auto command = target_command(TEVRAK_SIM_PROGRAM, std::move(args));
    const auto argv = exec_argv(command);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        // The simulator dies with the test, even when the test is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    out_ = out[0];
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
}

std::string SimProcess::wait_for_line(const std::string &prefix, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (auto end = text_.find('\n'); end != std::string::npos; end = text_.find('\n')) {
            std::string line = text_.substr(0, end);
            text_.erase(0, end + 1);
            if (line.rfind(prefix, 0) == 0) return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) return {};
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[512];
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n <= 0) return {};
        text_.append(chunk, static_cast<std::size_t>(n));
    }
}

int SimProcess::wait_exit(std::chrono::milliseconds timeout) {
    const int status = wait_child_exit(pid_, timeout);
    if (status >= 0) pid_ = -1;
    return status;
}

int wait_child_exit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

}  // namespace tevrak::test
