// Shared pieces of the remote-control tests: the recorded daemon commands and
// a fixture with a private lirc daemon.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "remote/private_lircd.h"
#include "support/sim_process.h"
#include "support/temp_home.h"

namespace tevrak::test {

// The daemon-control commands the unit ran in this process, in order. The
// recorder is in place from program start, so no test can run sudo.
std::vector<std::string> &recorded_commands();

// Waits at most timeout until the unit's daemon connection has data to read.
bool connection_has_data(std::chrono::milliseconds timeout);

// A private robot folder and a private lircd that the client library uses.
class RcinDaemonTest : public testing::Test {
protected:
    RcinDaemonTest() : daemon(home.root() + "/lirc") { daemon.use_for_clients(); }

    void press(std::string_view button, int repeat = 0) {
        ASSERT_TRUE(daemon.press(button, repeat)) << "irsend failed for " << button;
    }

    TempHome home;
    PrivateLircd daemon;
};

// Where the key events come from: a private lircd, or the remote socket of
// a tevrak-sim on the private robot folder. The unit connects to either the
// same way, through LIRC_SOCKET_PATH.
enum class KeySource { daemon, simulator };

class RcinKeysTest : public testing::TestWithParam<KeySource> {
protected:
    RcinKeysTest();

    // One event of the test remote's button, through irsend SIMULATE.
    void press(std::string_view button, int repeat = 0);
    // A press held for the repeats: event by event through irsend for the
    // daemon; the simulator's control command "key BUTTON REPEATS".
    void hold(std::string_view button, int repeats);
    // The daemon or the simulator goes away.
    void stop();

    TempHome home;
    std::unique_ptr<PrivateLircd> daemon;
    std::unique_ptr<SimProcess> simulator;
    std::string socket;
};

// Test name suffixes: "Daemon", "Simulator"; and the parameter as gtest shows it.
void PrintTo(KeySource source, std::ostream *out);
std::string key_source_name(const testing::TestParamInfo<KeySource> &info);

// A private robot folder and no daemon: the client library is pointed at a
// socket that does not exist.
class RcinNoDaemonTest : public testing::Test {
protected:
    RcinNoDaemonTest();

    TempHome home;
};

}  // namespace tevrak::test
