// Shared pieces of the remote-control tests: the recorded daemon commands and
// a fixture with a private lirc daemon.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "remote/private_lircd.h"
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

// A private robot folder and no daemon: the client library is pointed at a
// socket that does not exist.
class RcinNoDaemonTest : public testing::Test {
protected:
    RcinNoDaemonTest();

    TempHome home;
};

}  // namespace tevrak::test
