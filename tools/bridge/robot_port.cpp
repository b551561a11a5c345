#include "tools/bridge/robot_port.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "serial/port_lock.h"

namespace tevrak::bridge {
namespace {

void set_raw(int fd) {
    termios line;
    if (::tcgetattr(fd, &line) != 0) return;  // no terminal: nothing to set
    ::cfmakeraw(&line);
    ::cfsetispeed(&line, B115200);
    ::cfsetospeed(&line, B115200);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &line);
}

}  // namespace

int open_board(const char *path, char *message, std::size_t capacity) {
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::snprintf(message, capacity, "cannot open %s", path);
        return -1;
    }
    char holder[96];
    if (!serial::lock_port(fd, holder, sizeof holder)) {
        std::snprintf(message, capacity, "finds the board at %s in use by %s", path, holder);
        ::close(fd);
        return -1;
    }
    set_raw(fd);
    return fd;
}

}  // namespace tevrak::bridge
