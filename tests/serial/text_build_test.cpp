// The text build of the serial link: its three differences from the main build.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "serial/serial_state.h"
#include "support/board_fixture.h"
#include "tevrak/serial_text.h"

namespace {

using namespace std::chrono_literals;
namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

TEST(TextBuild, DiscoveryPrintsTheListingAndSplitsPathsAtBlanks) {
    tevrak::test::TempHome home;
    home.write_hdt("USB 1 board\nUSB 2 gps\n");
    home.write_listing("board - /dev/ttyACM1\ngps:/dev/ttyACM2\n");
    OutputCapture capture;
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_EQ(capture.out(), "Physical USB devices: \n board - /dev/ttyACM1\ngps:/dev/ttyACM2\n\n");
    EXPECT_STREQ(serial::USBPATH1, "/dev/ttyACM1");
    EXPECT_STREQ(serial::USBPATH2, "") << "colons do not split path fields here";
    EXPECT_EQ(serial::find_device_path("x board-7:/dev/ttyACM1 /dev/ttyACM3", "board"), "/dev/ttyACM3");
}

TEST(TextBuild, LineSetUpLeavesHardwareFlowControlAlone) {
    SimRobot robot;
    robot.home.write_listing("usb Sim board 1 " + robot.board.device_path() + "\n");
    for (bool rtscts : {true, false}) {
        const int t = ::open(robot.board.terminal_path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(t, 0);
        termios tty{};
        tcgetattr(t, &tty);
        if (rtscts) {
            tty.c_cflag |= CRTSCTS;
        } else {
            tty.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        }
        tcsetattr(t, TCSANOW, &tty);
        ::close(t);
        OutputCapture capture;
        ASSERT_EQ(SERInit(1, 115200, 0), 0);
        tcgetattr(serial::fd, &tty);
        EXPECT_EQ((tty.c_cflag & CRTSCTS) != 0, rtscts);
        EXPECT_EQ(tty.c_cflag & (PARENB | CSTOPB), 0u);
    }
}

TEST(TextBuild, ReceiveHandsOverAText) {
    SimRobot robot;
    robot.home.write_listing("usb Sim board 1 " + robot.board.device_path() + "\n");
    {
        OutputCapture capture;
        ASSERT_EQ(SERInit(1, 115200, 0), 0);
    }
    char buffer[5];
    robot.board.send_raw({'a', 'b', 'c', 'd', 'e'});
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(SERReceive(1, buffer), 4) << "at most 4 bytes per read";
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(SERReceive(1, buffer), 1);
    EXPECT_STREQ(buffer, "e");

    robot.board.send_raw({'x', 0, 'y'});
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(SERReceive(1, buffer), 3);
    EXPECT_STREQ(buffer, "x") << "a zero byte ends the text";

    std::memcpy(buffer, "junk", 5);
    EXPECT_EQ(SERReceive(1, buffer), 0);
    EXPECT_STREQ(buffer, "") << "no byte: the empty text";

    // A failed read: -1 and the empty text.
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(SERInit(1, 115200, 0), 1);
    }
    std::memcpy(buffer, "junk", 5);
    EXPECT_EQ(SERReceive(1, buffer), -1);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
