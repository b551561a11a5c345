#include "remote/rcin_fixture.h"

#include <poll.h>

#include <cstdlib>
#include <fstream>

#include "remote/commands.h"
#include "remote/rcin_state.h"

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
    pollfd entry{rcin::fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
}

RcinKeysTest::RcinKeysTest() {
    static_cast<void>(default_runner);
    if (GetParam() == KeySource::daemon) {
        daemon = std::make_unique<PrivateLircd>(home.root() + "/lirc");
        socket = daemon->socket_path();
    } else {
        simulator = std::make_unique<SimProcess>(
            std::vector<std::string>{"--home", home.root(), "--log", home.root() + "/frames.log"});
        socket = home.root() + "/lircd";
        if (simulator->wait_for_line("tevrak-sim: board ready", std::chrono::seconds(20)).empty()) {
            ADD_FAILURE() << "tevrak-sim did not start";
        }
    }
    ::setenv("LIRC_SOCKET_PATH", socket.c_str(), 1);
}

void RcinKeysTest::press(std::string_view button, int repeat) {
    ASSERT_TRUE(simulate_key(socket, button, repeat)) << "irsend failed for " << button;
}

void RcinKeysTest::hold(std::string_view button, int repeats) {
    if (daemon) {
        for (int repeat = 0; repeat <= repeats; ++repeat) press(button, repeat);
        return;
    }
    std::ofstream(home.root() + "/sim.ctl") << "key " << button << " " << repeats << "\n";
}

void RcinKeysTest::stop() {
    if (daemon) {
        daemon->stop();
        return;
    }
    std::ofstream(home.root() + "/sim.ctl") << "quit\n";
    EXPECT_EQ(simulator->wait_exit(std::chrono::seconds(10)), 0);
}

std::string key_source_name(const testing::TestParamInfo<KeySource> &info) {
    return info.param == KeySource::daemon ? "Daemon" : "Simulator";
}

void PrintTo(KeySource source, std::ostream *out) { *out << (source == KeySource::daemon ? "daemon" : "simulator"); }

RcinNoDaemonTest::RcinNoDaemonTest() {
    static_cast<void>(default_runner);
    ::setenv("LIRC_SOCKET_PATH", (home.root() + "/no-lircd.socket").c_str(), 1);
}

}  // namespace tevrak::test
