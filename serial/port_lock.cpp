#include "serial/port_lock.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace tevrak::serial {
namespace {

// The process holding a lock on the file of descriptor, read off
// /proc/locks ("1: FLOCK  ADVISORY  WRITE 4711 00:19:12345 0 EOF"); 0 when
// none is listed. A flock lock names the process that took it, so a helper
// sharing the open file is never named.
pid_t lock_holder(int descriptor) {
    struct stat file {};
    if (::fstat(descriptor, &file) != 0) return 0;
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (!(fields >> number >> kind)) continue;
        if (kind == "->") fields >> kind;  // a waiter's line
        if (kind != "FLOCK" || !(fields >> mode >> access >> pid >> where)) continue;
        if (where == wanted && pid > 0) return static_cast<pid_t>(pid);
    }
    return 0;
}

// The program name of pid as the kernel keeps it; "ended" once it is gone.
std::string program_name(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name)) return "ended";
    return name;
}

}  // namespace

bool lock_port(int descriptor, char *holder, std::size_t capacity) {
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK) return true;  // a file system without locks: as before
    const pid_t pid = lock_holder(descriptor);
    std::string text = "another process";
    if (pid > 0) text = "process " + std::to_string(pid) + " (" + program_name(pid) + ")";
    std::snprintf(holder, capacity, "%s", text.c_str());
    return false;
}

void unlock_port(int descriptor) { ::flock(descriptor, LOCK_UN); }

}  // namespace tevrak::serial
