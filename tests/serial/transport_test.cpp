// Byte transport on the open port and the reopen rule.
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <thread>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
namespace serial = tevrak::serial;
using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

TEST(Transport, ClosedInterfaceReopensWithItsStoredSettings) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 57600, 7), 0);
    EXPECT_EQ(SERClose(1), 0);
    EXPECT_EQ(serial::state.SERType, -1);
    EXPECT_EQ(SERSendChar(1, 'x'), 0);
    EXPECT_EQ(serial::state.SERType, 1);
    EXPECT_EQ(serial::state.SERBaud[1], 57600);
    EXPECT_EQ(serial::state.SERHandshake[1], 7);
    termios tty{};
    ASSERT_EQ(tcgetattr(serial::state.fd, &tty), 0);
    EXPECT_EQ(cfgetospeed(&tty), static_cast<speed_t>(B57600));
    ASSERT_TRUE(robot.board.wait_for_events(1));
    EXPECT_EQ(robot.board.wire(), (Bytes{'x'}));
}

TEST(Transport, ReceiveReturnsWhatOneReadBrings) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    robot.board.send_raw({0x41});
    std::this_thread::sleep_for(50ms);
    char buffer[2] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERReceive(1, buffer, 2), 1) << "does not wait for the second byte";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(buffer[0], 0x41);

    const auto idle = std::chrono::steady_clock::now();
    EXPECT_EQ(SERReceive(1, buffer, 2), 0) << "no byte within the read time-out";
    const auto waited = std::chrono::steady_clock::now() - idle;
    EXPECT_GT(waited, 350ms);
    EXPECT_LT(waited, 1500ms);
    EXPECT_EQ(SERReceiveChar(1), -1) << "nothing is never reported as the marker";

    robot.board.send_raw({0xFF, 0x3E});
    EXPECT_EQ(SERReceiveChar(1), 0xFF);
    EXPECT_EQ(SERReceiveChar(1), 0x3E);
}

TEST(Transport, SendWritesExactlyFourBytes) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const char buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(SERSend(1, buffer), 0);
    EXPECT_EQ(SERSend(1, nullptr), 1);
    EXPECT_EQ(SERReceive(1, nullptr, 4), -1);
    EXPECT_EQ(SERReceive(1, nullptr, 0), 0);
    SERSendChar(1, 0x0D);  // once the probe is answered, the board has seen every byte before it
    EXPECT_EQ(SERReceiveChar(1), '>');
    EXPECT_EQ(robot.board.wire(), (Bytes{'a', 'b', 'c', 'd', 0x0D}));
}

TEST(Transport, ClosingAnotherInterfaceOpensItFirst) {
    SimRobot robot;
    robot.write_hdt("USB 2 gps\n");
    robot.home.write_listing("usb-Sim_board-1:" + robot.board.device_path() + "\nx gps-1:/nonexistent/tty\n");
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    OutputCapture capture;
    EXPECT_EQ(SERClose(2), 0);
    EXPECT_EQ(capture.err(), "error opening port\n") << "interface 2 was opened before the close";
    EXPECT_EQ(serial::state.SERType, -1);
}

TEST(Transport, InterfacesOutsideOneToFourTouchNothing) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const int descriptor = serial::state.fd;
    char buffer[4] = {};
    OutputCapture capture;
    for (int interface : {0, 5, -1}) {
        EXPECT_EQ(SERSendChar(interface, 'x'), 1);
        EXPECT_EQ(SERSend(interface, "abcd"), 1);
        EXPECT_EQ(SERReceive(interface, buffer, 4), -1);
        EXPECT_EQ(SERReceiveChar(interface), -1);
        EXPECT_EQ(SERCheck(interface), 1);
        EXPECT_EQ(SERFlush(interface), 1);
        EXPECT_EQ(SERClose(interface), 1);
    }
    EXPECT_EQ(serial::state.SERType, 1);
    EXPECT_EQ(serial::state.fd, descriptor);
    EXPECT_EQ(capture.err(), "");
    SERSendChar(1, 0x0D);  // once the probe is answered, the board has seen every byte before it
    EXPECT_EQ(SERReceiveChar(1), '>');
    EXPECT_EQ(robot.board.wire(), Bytes{0x0D});
}

TEST(Transport, FailedOpenMakesEveryOperationFailFast) {
    SimRobot robot;
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(SERInit(1, 115200, 0), 1);
    char buffer[4] = {};
    EXPECT_EQ(SERSendChar(1, 'x'), 1);
    EXPECT_EQ(SERSend(1, "abcd"), 1);
    EXPECT_EQ(SERReceive(1, buffer, 4), -1);
    EXPECT_EQ(SERReceiveChar(1), -1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 10ms) << "100 probes, each followed by a pause of 100 microseconds";
    EXPECT_LT(took, 2s);
    EXPECT_EQ(serial::state.SERType, -1);
    // Plugged in again at the same path: the next operation reopens.
    robot.board.replug();
    EXPECT_EQ(SERCheck(1), 0);
    EXPECT_EQ(serial::state.SERType, 1);
}

}  // namespace
