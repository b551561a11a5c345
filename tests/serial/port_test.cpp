// Opening an interface and its line settings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

// The terminal calls as the unit sees them through its seam: a test can make
// either fail.
bool fail_tcgetattr = false;
bool fail_tcsetattr = false;

int get_attributes(int descriptor, termios *tty) {
    if (fail_tcgetattr) {
        errno = EIO;
        return -1;
    }
    return tcgetattr(descriptor, tty);
}

int set_attributes(int descriptor, int when, const termios *tty) {
    if (fail_tcsetattr) {
        errno = EIO;
        return -1;
    }
    return tcsetattr(descriptor, when, tty);
}

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

// Each rate the library accepts, as the terminal itself reports it (stty).
TEST(SerInit, EveryRateOfTheTableIsAccepted) {
    SimRobot robot;
    for (int baud :
         {0, 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400}) {
        SCOPED_TRACE(baud);
        ASSERT_EQ(SERInit(1, baud, 0), 0);
        EXPECT_EQ(serial::state.SERBaud[1], baud);
        std::FILE *stty = ::popen(("stty -F " + robot.board.terminal_path() + " speed").c_str(), "r");
        ASSERT_NE(stty, nullptr);
        char shown[32] = {};
        EXPECT_NE(std::fgets(shown, sizeof shown, stty), nullptr);
        ::pclose(stty);
        EXPECT_EQ(std::string(shown), std::to_string(baud) + "\n");
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

TEST(SerInit, ReadTimingWaitsForOneByteOnlyWhenAskedTo) {
    SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    SERSet_blocking(serial::state.fd, 1);
    EXPECT_EQ(port_settings().c_cc[VMIN], 1);
    EXPECT_EQ(port_settings().c_cc[VTIME], 5);
    SERSet_blocking(serial::state.fd, 0);
    EXPECT_EQ(port_settings().c_cc[VMIN], 0);
    EXPECT_EQ(port_settings().c_cc[VTIME], 5);
}

TEST(SerInit, FailedLineSetUpIsReportedAndTheOpenStillSucceeds) {
    struct Case {
        bool get_fails;
        bool set_fails;
        const char *attribs_out;
        const char *init_out;
    };
    SimRobot robot;
    const serial::TerminalCalls failing{get_attributes, set_attributes};
    serial::set_terminal_calls(&failing);
    for (const Case &c : {Case{true, false, "error from tcgetattr\n", "error from tcgetattr\nerror from tggetattr\n"},
                          Case{false, true, "error from tcsetattr\n", "error from tcsetattr\n"}}) {
        SCOPED_TRACE(c.attribs_out);
        ASSERT_EQ(SERInit(1, 115200, 0), 0);
        OutputCapture capture;
        fail_tcgetattr = c.get_fails;
        fail_tcsetattr = c.set_fails;
        const int attribs = SERSet_interface_attribs(serial::state.fd, B9600, 0, 0);
        const std::string attribs_out = capture.out();
        OutputCapture init_capture;
        const int init = SERInit(1, 115200, 0);
        init_capture.stop();
        fail_tcgetattr = fail_tcsetattr = false;
        EXPECT_EQ(attribs, -1);
        EXPECT_EQ(attribs_out, c.attribs_out);
        EXPECT_EQ(init, 0);
        EXPECT_EQ(init_capture.out(), c.init_out);
        EXPECT_EQ(init_capture.err(), "");
    }
    EXPECT_EQ(SERSet_interface_attribs(serial::state.fd, B9600, 0, 0), 0);
    const termios tty = port_settings();
    EXPECT_EQ(cfgetospeed(&tty), B9600);
    OutputCapture capture;
    fail_tcgetattr = true;
    SERSet_blocking(serial::state.fd, 1);
    fail_tcgetattr = false;
    EXPECT_EQ(capture.out(), "error from tggetattr\n");
}

TEST(SerInit, PortIsSynchronousAndNeverTheControllingTerminal) {
    SimRobot robot;
    ASSERT_EQ(SERGetPaths(), 0);  // so that the child below only opens the port
    const pid_t child = ::fork();
    if (child == 0) {
        // A session leader without a controlling terminal takes the first
        // terminal it opens without O_NOCTTY as its own.
        if (::setsid() < 0) ::_exit(2);
        if (SERInit(1, 115200, 0) != 0) ::_exit(3);
        ::_exit(::tcgetsid(serial::state.fd) == -1 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the port became the controlling terminal";

    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    EXPECT_EQ(::fcntl(serial::state.fd, F_GETFL) & O_SYNC, O_SYNC);
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
