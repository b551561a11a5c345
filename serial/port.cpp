// Opening an interface and setting up its line.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/startup_failure.h"
#include "platform/message.h"
#include "serial/port_lock.h"
#include "serial/state.h"
#include "tevrak/serial_link.h"

namespace tevrak::serial {

std::optional<unsigned> speed_code(int baud) {
    struct Rate {
        int baud;
        speed_t code;
    };
    static constexpr Rate kRates[] = {
        {0, B0},         {50, B50},       {75, B75},         {110, B110},       {134, B134},
        {150, B150},     {200, B200},     {300, B300},       {600, B600},       {1200, B1200},
        {1800, B1800},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const auto &rate : kRates) {
        if (rate.baud == baud) return rate.code;
    }
    return std::nullopt;
}

// A board's port is a character device (a terminal). Any other file (one
// a hostile device listing names) is closed before a byte is written to it,
// with a message saying why.
static bool is_character_device(int &fd, const char *path) {
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode)) return true;
    ::close(fd);
    fd = -1;
    tevrak::config::note_startup_failure(tevrak::config::StartupFailure::What::port, path, ENOTTY);
    std::fprintf(stderr, "tevrak: refusing %s as the board's port: it is not a character device\n", path);
    return false;
}

}  // namespace tevrak::serial

using namespace tevrak::serial;

extern "C" int SERSet_interface_attribs(int descriptor, int speed, int parity, int handshake) {
    (void)handshake;  // flow control is always off
    struct termios tty;
    std::memset(&tty, 0, sizeof tty);
    if (state.terminal.get_attributes(descriptor, &tty) != 0) {
        tevrak::write_message(stdout, "error from tcgetattr\n");
        return -1;
    }
    cfsetospeed(&tty, static_cast<speed_t>(speed));
    cfsetispeed(&tty, static_cast<speed_t>(speed));

    tty.c_cflag |= CS8;
    tty.c_iflag &= ~static_cast<tcflag_t>(IGNBRK);
    tty.c_lflag = 0;
    tty.c_oflag = 0;
    tty.c_cc[VMIN] = 0;
    tty.c_cc[VTIME] = 5;
    tty.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Every byte from the board must arrive unchanged: a carriage return in a
    // reply would otherwise turn into a newline and corrupt the value.
    tty.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP);
    tty.c_cflag |= CLOCAL | CREAD;
    tty.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    tty.c_cflag |= static_cast<tcflag_t>(parity);
    tty.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
#ifndef TEVRAK_SERIAL_TEXT
    tty.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif

    if (state.terminal.set_attributes(descriptor, TCSANOW, &tty) != 0) {
        tevrak::write_message(stdout, "error from tcsetattr\n");
        return -1;
    }
    return 0;
}

extern "C" void SERSet_blocking(int descriptor, int should_block) {
    struct termios tty;
    std::memset(&tty, 0, sizeof tty);
    if (state.terminal.get_attributes(descriptor, &tty) != 0) {
        tevrak::write_message(stdout, "error from tggetattr\n");
        return;
    }
    tty.c_cc[VMIN] = should_block ? 1 : 0;
    tty.c_cc[VTIME] = 5;
    state.terminal.set_attributes(descriptor, TCSANOW, &tty);
}

extern "C" int SERInit(int interface, int baud, int handshake) {
    if (state.SERPathInit != 1) SERGetPaths();

    if (!valid_interface(interface)) {
        std::fprintf(stderr, "incorrect interface, %d invalid\n", interface);
        return 1;
    }

    // The interface and its settings are recorded before the open is tried.
    const char *slot = path_slot(interface);
    const std::size_t length = strnlen(slot, kPathSlot);
    char path[kPathCopy];
    const bool fits = length < kPathCopy;
    if (fits) {
        std::memcpy(path, slot, length);
        path[length] = '\0';
    }
    close_port();
    state.SERType = interface;
    state.SERBaud[interface] = baud;
    state.SERHandshake[interface] = handshake;

    // A path too long for the working copy is refused rather than cut to
    // another device's path.
    state.fd = fits ? ::open(path, O_RDWR | O_NOCTTY | O_SYNC) : -1;
    if (state.fd < 0) {
        tevrak::config::note_startup_failure(tevrak::config::StartupFailure::What::port, slot,
                                             fits ? errno : ENAMETOOLONG);
        tevrak::write_message(stderr, "error opening port\n");
        return 1;
    }
    if (!is_character_device(state.fd, slot)) return 1;
    // Programs the library starts (the listing command, daemon scripts) must
    // not inherit the port.
    ::fcntl(state.fd, F_SETFD, FD_CLOEXEC);
    char holder[64];
    if (!lock_port(state.fd, holder, sizeof holder)) {
        // Another program drives the board: the open fails, that program
        // goes on untouched.
        ::close(state.fd);
        state.fd = -1;
        tevrak::config::note_startup_failure(tevrak::config::StartupFailure::What::port, slot, EBUSY, holder);
        std::fprintf(stderr, "tevrak: the board at %s is in use by %s\n", path, holder);
        return 1;
    }

    const auto code = speed_code(baud);
    if (!code) {
        tevrak::write_message(stdout, "invalid baud rate!!!\n");
        return 1;
    }
    SERSet_interface_attribs(state.fd, static_cast<int>(*code), 0, handshake);
    SERSet_blocking(state.fd, 0);
    return 0;
}
