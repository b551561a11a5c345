#include "tools/teleop/teleop_support.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/target_command.h"

namespace tevrak::test {

using namespace std::chrono_literals;

int board_angular(int degrees_per_second) {
    return static_cast<int>(std::lround(degrees_per_second * M_PI / 180.0 * 100.0));
}

TeleopSim::TeleopSim() : log(home.root() + "/frames.log"), sim({"--home", home.root(), "--log", log}) {
    if (sim.wait_for_line("tevrak-sim: board ready", 20s).empty()) ADD_FAILURE() << "tevrak-sim did not start";
}

void TeleopSim::control(const std::string &line) const { std::ofstream(home.root() + "/sim.ctl") << line << "\n"; }

SimSpeed TeleopSim::speed() {
    control("status");
    const std::string line = sim.wait_for_line("speed: ", 5s);
    SimSpeed speed;
    if (std::sscanf(line.c_str(), "speed: linear=%d angular=%d", &speed.linear, &speed.angular) != 2) {
        ADD_FAILURE() << "no speed in the status: '" << line << "'";
    }
    return speed;
}

std::optional<std::chrono::milliseconds> TeleopSim::wait_until(const std::function<bool(SimSpeed)> &want,
                                                               std::chrono::steady_clock::time_point start,
                                                               std::chrono::milliseconds timeout) {
    while (std::chrono::steady_clock::now() - start < timeout) {
        if (want(speed())) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        }
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

std::vector<SimSpeed> TeleopSim::sent_speeds() const {
    std::vector<SimSpeed> speeds;
    std::istringstream lines(read_file(log));
    bool last_was_speed = false;
    for (std::string line; std::getline(lines, line);) {
        SimSpeed speed;
        int repeats = 0;
        if (std::sscanf(line.c_str(), "VWSetSpeed linear=%d angular=%d", &speed.linear, &speed.angular) == 2) {
            speeds.push_back(speed);
            last_was_speed = true;
        } else if (std::sscanf(line.c_str(), "(last line repeated %d more times)", &repeats) == 1) {
            // The log counts a line that repeats the one before.
            if (last_was_speed) speeds.insert(speeds.end(), static_cast<std::size_t>(repeats), speeds.back());
        } else {
            last_was_speed = false;
        }
    }
    return speeds;
}

PtyTool::PtyTool(const TeleopSim &robot, std::vector<std::string> args) {
    auto command = target_command(TEVRAK_TELEOP_PROGRAM, std::move(args));
    const auto argv = exec_argv(command);
    const pid_t parent = ::getpid();
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::setenv("TEVRAK_HOME", robot.home.root().c_str(), 1);
        ::setenv("LIRC_SOCKET_PATH", robot.lirc_socket().c_str(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    reader_ = std::thread([this] {
        while (!stop_reading_) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0) continue;
            char chunk[512];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0) return;  // EIO once the tool and its terminal are gone
            const std::lock_guard lock(mutex_);
            output_.append(chunk, static_cast<std::size_t>(n));
        }
    });
}

PtyTool::~PtyTool() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    hang_up();
}

void PtyTool::type(const std::string &bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

bool PtyTool::wait_output(const std::string &text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (output().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

std::string PtyTool::output() {
    const std::lock_guard lock(mutex_);
    return output_;
}

void PtyTool::hang_up() {
    if (master_ < 0) return;
    stop_reading_ = true;
    if (reader_.joinable()) reader_.join();
    ::close(master_);
    master_ = -1;
}

int PtyTool::wait_exit(std::chrono::milliseconds timeout) {
    const int status = wait_child_exit(pid_, timeout);
    if (status >= 0) pid_ = -1;
    return status;
}

void report_figure(const std::string &what, std::chrono::milliseconds value) {
    std::printf("[ figure   ] %s: %lld ms\n", what.c_str(), static_cast<long long>(value.count()));
}

}  // namespace tevrak::test
