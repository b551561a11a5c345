// Opening an interface and its line settings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

termios port_settings() {
    termios tty{};
    EXPECT_EQ(tcgetattr(serial::state.fd, &tty), 0);
    return tty;
}

// Gives the terminal settings a port might have before the library sees it.
void spoil_terminal(const std::string &path, tcflag_t iflag, tcflag_t cflag) {
    const int t = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(t, 0);
    termios tty{};
    tcgetattr(t, &tty);
    tty.c_iflag |= iflag;
    tty.c_cflag |= cflag;
    tty.c_lflag |= ICANON | ECHO;
    tcsetattr(t, TCSANOW, &tty);
    ::close(t);
}

TEST(SerInit, EveryRateOfTheTableIsAccepted) {
    SimRobot robot;
    const std::pair<int, speed_t> rates[] = {
        {0, B0},         {50, B50},       {75, B75},         {110, B110},       {134, B134},
        {150, B150},     {200, B200},     {300, B300},       {600, B600},       {1200, B1200},
        {1800, B1800},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const auto &[baud, code] : rates) {
        SCOPED_TRACE(baud);
        ASSERT_EQ(SERInit(1, baud, 0), 0);
        const termios tty = port_settings();
        EXPECT_EQ(cfgetospeed(&tty), code);
        EXPECT_EQ(cfgetispeed(&tty), code);
        EXPECT_EQ(serial::state.SERBaud[1], baud);
    }
}

TEST(SerInit, RejectedRateLeavesThePortOpenAndSelected) {
    SimRobot robot;
    for (int baud : {9601, 460800, -1, 1}) {
        SCOPED_TRACE(baud);
        OutputCapture capture;
        EXPECT_EQ(SERInit(1, baud, 0), 1);
        EXPECT_EQ(capture.out(), "invalid baud rate!!!\n");
        EXPECT_EQ(serial::state.SERType, 1);
        EXPECT_EQ(serial::state.SERBaud[1], baud);
        EXPECT_NE(::fcntl(serial::state.fd, F_GETFD), -1) << "the port stays open";
    }
}

TEST(SerInit, InvalidInterfaceChangesNothing) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const int descriptor = serial::state.fd;
    for (int interface : {0, 5, -3}) {
        OutputCapture capture;
        EXPECT_EQ(SERInit(interface, 9600, 1), 1);
        EXPECT_EQ(capture.err(), "incorrect interface, " + std::to_string(interface) + " invalid\n");
    }
    EXPECT_EQ(serial::state.SERType, 1);
    EXPECT_EQ(serial::state.fd, descriptor);
    EXPECT_EQ(serial::state.SERBaud[0], 0);
    EXPECT_EQ(serial::state.SERHandshake[0], 0);
}

TEST(SerInit, FailedOpenKeepsTheInterfaceSelected) {
    SimRobot robot;
    robot.write_hdt("USB 2 gps\n");
    robot.home.write_listing("usb-Sim_board-1:" + robot.board.device_path() + "\nx gps-1:/nonexistent/tty\n");
    OutputCapture capture;
    EXPECT_EQ(SERInit(2, 9600, 3), 1);
    EXPECT_EQ(capture.err(), "error opening port\n");
    EXPECT_EQ(serial::state.SERType, 2);
    EXPECT_LT(serial::state.fd, 0);
    EXPECT_EQ(serial::state.SERBaud[2], 9600);
    EXPECT_EQ(serial::state.SERHandshake[2], 3);
}

TEST(SerInit, LineIsRawEightNoneOneWithHalfSecondReads) {
    SimRobot robot;
    spoil_terminal(robot.board.terminal_path(), ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | IXANY,
                   PARENB | PARODD | CSTOPB | CRTSCTS);
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const termios tty = port_settings();
    EXPECT_EQ(cfgetospeed(&tty), static_cast<speed_t>(B115200));
    EXPECT_EQ(tty.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tty.c_cflag & (PARENB | PARODD | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tty.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tty.c_iflag & (IGNBRK | IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tty.c_lflag, 0u);
    EXPECT_EQ(tty.c_oflag, 0u);
    EXPECT_EQ(tty.c_cc[VMIN], 0);
    EXPECT_EQ(tty.c_cc[VTIME], 5);
    EXPECT_EQ(::fcntl(serial::state.fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
}

TEST(SerInit, CarriageReturnsInRepliesArriveUnchanged) {
    SimRobot robot;
    spoil_terminal(robot.board.terminal_path(), ICRNL | IGNCR, 0);
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    robot.board.send_raw({0x0D, 0x0A, 0x0D});
    EXPECT_EQ(SERReceiveChar(1), 0x0D);
    EXPECT_EQ(SERReceiveChar(1), 0x0A);
    EXPECT_EQ(SERReceiveChar(1), 0x0D);
}

TEST(SerInit, ReopeningNeverLeaksDescriptors) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const int before = tevrak::test::open_descriptor_count();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        if (cycle % 2 == 0) {
            SERInit(1, 115200, 0);
        } else {
            SERClose(1);
            SERSendChar(1, 'x');  // reopens through the reopen rule
        }
    }
    EXPECT_EQ(tevrak::test::open_descriptor_count(), before);
}

}  // namespace
