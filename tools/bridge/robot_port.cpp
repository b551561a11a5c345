#include "tools/bridge/robot_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace tevrak::bridge {
namespace {

// The process whose flock holds the file open as fd (the first listed in
// /proc/locks), or 0.
long lock_holder(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0) return 0;
    std::FILE *locks = std::fopen("/proc/locks", "re");
    if (locks == nullptr) return 0;
    char line[256];
    long holder = 0;
    while (holder == 0 && std::fgets(line, sizeof line, locks) != nullptr) {
        char kind[16], mode[16];
        long pid;
        unsigned major, minor;
        unsigned long inode;
        if (std::sscanf(line, "%*d: %15s %*s %15s %ld %x:%x:%lu", kind, mode, &pid, &major, &minor, &inode) == 6 &&
            std::strcmp(kind, "FLOCK") == 0 && major == ::major(info.st_dev) && minor == ::minor(info.st_dev) &&
            inode == info.st_ino) {
            holder = pid;
        }
    }
    std::fclose(locks);
    return holder;
}

void holder_name(long pid, char *name, std::size_t capacity) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/comm", pid);
    std::snprintf(name, capacity, "?");
    if (std::FILE *comm = std::fopen(path, "re")) {
        if (std::fgets(name, static_cast<int>(capacity), comm) != nullptr) name[std::strcspn(name, "\n")] = '\0';
        std::fclose(comm);
    }
}

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
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const long holder = lock_holder(fd);
        char name[32];
        holder_name(holder, name, sizeof name);
        std::snprintf(message, capacity, "the board at %s is in use by process %ld (%s)", path, holder, name);
        ::close(fd);
        return -1;
    }
    set_raw(fd);
    return fd;
}

}  // namespace tevrak::bridge
