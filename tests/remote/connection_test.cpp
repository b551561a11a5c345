// Connecting, releasing and reconfiguring the daemon. The daemon-control
// commands are recorded, never run.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/paths.h"
#include "remote/rcin_fixture.h"
#include "remote/testing.h"
#include "support/board_fixture.h"
#include "support/temp_home.h"
#include "tevrak/rcin.h"

namespace {

using namespace tevrak::test;
namespace rcin = tevrak::rcin;
using Commands = std::vector<std::string>;

const std::string kStop = "sudo /etc/init.d/lirc stop";
const std::string kRestart = "sudo /etc/init.d/lirc restart";

// The daemon-control commands act on the private daemon, as the service
// script would on the real one: stop stops it, restart starts it afresh.
tevrak::test::PrivateLircd *controlled_daemon = nullptr;

void control_daemon(const char *command) {
    recorded_commands().emplace_back(command);
    if (command == kStop || command == kRestart) controlled_daemon->stop();
    if (command == kRestart) controlled_daemon->start();
}

class RcinRestartTest : public RcinDaemonTest {
protected:
    void SetUp() override {
        controlled_daemon = &daemon;
        previous_ = rcin::set_command_runner(control_daemon);
    }
    void TearDown() override { rcin::set_command_runner(previous_); }

private:
    rcin::CommandRunner previous_ = nullptr;
};

TEST_F(RcinDaemonTest, InitConnectsOnceNonBlocking) {
    const int before = tevrak::test::open_descriptor_count();
    ASSERT_EQ(RCINInit(), 0);
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 1);
    const int connection = rcin::state.fd;
    EXPECT_GE(connection, 0);
    EXPECT_NE(fcntl(connection, F_GETFL) & O_NONBLOCK, 0);
    const int connected = tevrak::test::open_descriptor_count();
    EXPECT_EQ(connected, before + 1);

    EXPECT_EQ(RCINInit(), 1);
    EXPECT_EQ(rcin::state.fd, connection);
    EXPECT_EQ(tevrak::test::open_descriptor_count(), connected);
    EXPECT_EQ(RCINGetStatus(), 1);
    EXPECT_TRUE(recorded_commands().empty());
}

TEST_F(RcinNoDaemonTest, UnreachableDaemonIsStoppedAndReported) {
    OutputCapture capture;
    EXPECT_EQ(RCINInit(), 3);
    const std::string err = capture.err();
    const std::string message = "Unable to initialise IR input";
    ASSERT_GE(err.size(), message.size());
    EXPECT_EQ(err.substr(err.size() - message.size()), message) << err;
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(recorded_commands(), Commands{kStop});
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 0);
    EXPECT_EQ(rcin::state.fd, -1);

    // Every later call tries again and stops the daemon again.
    EXPECT_EQ(RCINGetStatus(), 0);
    EXPECT_EQ(RCINGet(), -1);
    EXPECT_EQ(RCINRead(), -1);
    EXPECT_EQ(recorded_commands(), (Commands{kStop, kStop, kStop, kStop}));
}

TEST_F(RcinNoDaemonTest, ControllerCodeIsKeptEvenWithoutConnection) {
    RCINSetControllerCode(7);
    EXPECT_EQ(rcin::state.controllerCode, 7);
    EXPECT_EQ(recorded_commands(), Commands{kStop}) << "one connection attempt, no copy";
    EXPECT_EQ(RCINGetControllerCode(), 7);
}

TEST_F(RcinDaemonTest, ReleaseOfAUnitNeverStartedConnectsFirst) {
    const int before = tevrak::test::open_descriptor_count();
    RCINRelease();
    EXPECT_GE(rcin::state.fd, 0) << "the connection was made and its number kept";
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 0);
    EXPECT_EQ(tevrak::test::open_descriptor_count(), before) << "and closed again";
    EXPECT_EQ(recorded_commands(), Commands{kStop});
}

TEST_F(RcinDaemonTest, FlushReleasesLikeRelease) {
    const int before = tevrak::test::open_descriptor_count();
    EXPECT_EQ(RCINFlush(), 0);
    EXPECT_GE(rcin::state.fd, 0);
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 0);
    EXPECT_EQ(tevrak::test::open_descriptor_count(), before);
    EXPECT_EQ(recorded_commands(), Commands{kStop});

    // The daemon here was not really stopped: the next call connects anew.
    EXPECT_EQ(RCINGetStatus(), 1);
}

TEST_F(RcinNoDaemonTest, RestartInstallsTheNumberedConfiguration) {
    EXPECT_EQ(RCINRestart(3), 0);
    EXPECT_EQ(recorded_commands(), (Commands{"sudo cp " + home.root() + "/bin/ir/3_lircd.conf /etc/lirc/lircd.conf",
                                             "sudo /etc/init.d/lirc restart"}));
    EXPECT_EQ(rcin::state.controllerCode, 3);
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 0) << "no connection attempt";

    recorded_commands().clear();
    EXPECT_EQ(RCINRestart(-12), 0);
    EXPECT_EQ(recorded_commands().at(0), "sudo cp " + home.root() + "/bin/ir/-12_lircd.conf /etc/lirc/lircd.conf");
    EXPECT_EQ(rcin::state.controllerCode, -12);

    // A configuration folder so long that the path would be cut: no copy of
    // some other file, only the restart.
    recorded_commands().clear();
    tevrak::paths::set_home("/" + std::string(180, 'h'));
    EXPECT_EQ(RCINRestart(4), 0);
    EXPECT_EQ(recorded_commands(), Commands{"sudo /etc/init.d/lirc restart"});
    EXPECT_EQ(rcin::state.controllerCode, 4);
}

// Restarting the daemon under a connected unit leaves the unit marked
// connected, on a connection the old daemon has closed: RCINInit does
// nothing and no key comes. Releasing first works: release, restart, and the
// next call connects to the new daemon.
TEST_F(RcinRestartTest, RestartedDaemonIsReachedAfterRelease) {
    ASSERT_EQ(RCINInit(), 0);
    EXPECT_EQ(RCINRestart(2), 0);
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 1) << "the connection state is left as it was";
    EXPECT_EQ(RCINInit(), 1);
    EXPECT_EQ(RCINGet(), -1);

    RCINRelease();
    EXPECT_EQ(RCINRestart(2), 0);
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 0);
    ASSERT_EQ(RCINGetStatus(), 1) << "the next call connects";
    press("KEY_1");
    EXPECT_EQ(RCINGet(), '1');
    const std::string copy = "sudo cp " + home.root() + "/bin/ir/2_lircd.conf /etc/lirc/lircd.conf";
    EXPECT_EQ(recorded_commands(), (Commands{copy, kRestart, kStop, copy, kRestart}));
}

// A folder whose name the shell would split or act on: the copy command
// still hands the shell the configuration's path as one word.
TEST_F(RcinNoDaemonTest, RestartQuotesThePathForTheShell) {
    const std::string root = home.root() + "/it's a robot;x";
    tevrak::paths::set_home(root);
    EXPECT_EQ(RCINRestart(3), 0);
    ASSERT_EQ(recorded_commands().size(), 2u);
    const std::string copy = recorded_commands()[0];
    EXPECT_EQ(copy, "sudo cp '" + home.root() + "/it'\\''s a robot;x/bin/ir/3_lircd.conf' /etc/lirc/lircd.conf");
    EXPECT_EQ(recorded_commands()[1], kRestart);

    // The words the shell passes to sudo.
    const std::string words = home.root() + "/words";
    const std::string script = "sudo() { printf '%s\\n' \"$@\" > '" + words + "'; }; " + copy;
    ASSERT_EQ(tevrak::test::run_program("sh", {"-c", script}), 0);
    EXPECT_EQ(tevrak::test::read_file(words), "cp\n" + root + "/bin/ir/3_lircd.conf\n/etc/lirc/lircd.conf\n");
}

}  // namespace
