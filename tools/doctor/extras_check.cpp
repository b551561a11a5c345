// What a program may use beside the board: the infrared daemon (optional)
// and the Python package.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bounded_run.h"
#include "checks.h"

namespace tevrak::doctor {
namespace {

using namespace std::chrono_literals;

constexpr int kDaemonBoundMs = 1000;
constexpr auto kPythonBound = 20s;

// Connects and asks for the daemon's version; true when an answer begins.
bool daemon_answers(int fd, const sockaddr_un &address) {
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) return false;
    constexpr char kAsk[] = "VERSION\n";
    if (::send(fd, kAsk, sizeof kAsk - 1, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof kAsk - 1)) return false;
    pollfd wait{fd, POLLIN, 0};
    char reply[64] = {};
    if (::poll(&wait, 1, kDaemonBoundMs) != 1) return false;
    return ::recv(fd, reply, sizeof reply - 1, 0) > 0 && std::strncmp(reply, "BEGIN", 5) == 0;
}

}  // namespace

void check_lircd(Report &report) {
    const char *variable = std::getenv("LIRC_SOCKET_PATH");
    const std::string path = variable != nullptr && *variable != '\0' ? variable : "/var/run/lirc/lircd";
    const std::string check = "lircd " + path;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        report.warn(check, "the path is too long for a socket", "set LIRC_SOCKET_PATH to the daemon's socket");
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers = fd >= 0 && daemon_answers(fd, address);
    if (fd >= 0) ::close(fd);
    if (answers) {
        report.ok(check, "answers");
    } else {
        report.warn(check, "no daemon answers there (the remote control is optional)",
                    "for the remote: sudo apt install lirc, then sudo systemctl start lircd");
    }
}

void check_python(Report &report) {
    const RunResult run =
        run_bounded({"python3", "-c", "import tevrak, sys; sys.stdout.write(tevrak.__version__)"}, kPythonBound);
    if (!run.started || run.timed_out || run.status != 0) {
        std::string why = !run.started    ? "python3 cannot be started"
                          : run.timed_out ? "import tevrak did not end within 20 s"
                                          : "import tevrak failed";
        const auto last = run.err.find_last_not_of('\n');
        if (last != std::string::npos) {
            const auto begin = run.err.rfind('\n', last);
            why += ": " + run.err.substr(begin == std::string::npos ? 0 : begin + 1,
                                         last - (begin == std::string::npos ? 0 : begin + 1) + 1);
        }
        report.warn("python package", why, "for Python programs: sudo apt install python3-tevrak");
        return;
    }
    if (run.out != kVersion) {
        report.fail("python package", "tevrak " + run.out + " beside library " + kVersion,
                    "install python3-tevrak of the same version as libtevrak1");
        return;
    }
    report.ok("python package", std::string("tevrak ") + kVersion + ", as the library");
}

}  // namespace tevrak::doctor
