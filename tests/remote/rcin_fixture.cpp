#include "remote/rcin_fixture.h"

#include <poll.h>

#include <cstdlib>

#include "remote/testing.h"

namespace tevrak::test {
namespace {

void record(const char *command) { recorded_commands().emplace_back(command); }

// Installed while the program loads, before any test can reach the unit.
const rcin::CommandRunner default_runner = rcin::set_command_runner(record);

}  // namespace

std::vector<std::string> &recorded_commands() {
    static std::vector<std::string> commands;
    return commands;
}

bool connection_has_data(std::chrono::milliseconds timeout) {
    pollfd entry{rcin::state.fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
}

RcinNoDaemonTest::RcinNoDaemonTest() {
    static_cast<void>(default_runner);
    ::setenv("LIRC_SOCKET_PATH", (home.root() + "/no-lircd.socket").c_str(), 1);
}

}  // namespace tevrak::test
