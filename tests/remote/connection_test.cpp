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
#include "tevrak/rcin.h"

namespace {

using tevrak::test::OutputCapture;
using tevrak::test::RcinDaemonTest;
using tevrak::test::RcinNoDaemonTest;
using tevrak::test::recorded_commands;
namespace rcin = tevrak::rcin;
using Commands = std::vector<std::string>;

const std::string kStop = "sudo /etc/init.d/lirc stop";

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
    EXPECT_EQ(recorded_commands(),
              (Commands{"sudo cp " + home.root() + "/bin/ir/3_lircd.conf /etc/lirc/lircd.conf",
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

}  // namespace
