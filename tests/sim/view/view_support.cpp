#include "sim/view/view_support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tevrak::test {
namespace {

using namespace std::chrono_literals;

bool send_all(int fd, const std::string &text) {
    return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

}  // namespace

int connect_to(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

ViewSim::ViewSim(std::vector<std::string> extra)
        : sim([&] {
              std::vector<std::string> args{"--home", home.root(),  "--log", home.root() + "/frames.log",
                                            "--view", "127.0.0.1:0"};
              args.insert(args.end(), extra.begin(), extra.end());
              return args;
          }()) {
    const std::string line = sim.wait_for_line("tevrak-sim: view at http://127.0.0.1:", 20s);
    if (line.empty() || sim.wait_for_line("tevrak-sim: board ready", 20s).empty()) return;
    port = std::stoi(line.substr(line.rfind(':') + 1));
}

std::string http(int port, const std::string &request) {
    const int fd = connect_to(port);
    if (fd < 0) return {};
    std::string response;
    if (send_all(fd, request)) {
        char chunk[4096];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
            response.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return response;
}

int status_of(const std::string &response) {
    if (response.rfind("HTTP/1.1 ", 0) != 0 || response.size() < 12) return 0;
    return std::stoi(response.substr(9, 3));
}

EventStream::EventStream(int port) : fd_(connect_to(port)) {
    const std::string request = "GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    if (fd_ < 0 || !send_all(fd_, request)) return;
    reader_ = std::thread([this] { read(); });
}

EventStream::~EventStream() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    if (reader_.joinable()) reader_.join();
    if (fd_ >= 0) ::close(fd_);
}

void EventStream::read() {
    char chunk[8192];
    std::size_t scanned = 0;
    for (ssize_t n; (n = ::recv(fd_, chunk, sizeof chunk, 0)) > 0;) {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(mutex_);
        text_.append(chunk, static_cast<std::size_t>(n));
        // An event ends with a blank line.
        for (auto end = text_.find("\n\n", scanned); end != std::string::npos; end = text_.find("\n\n", scanned)) {
            arrivals_.push_back(now);
            scanned = end + 2;
        }
    }
}

std::size_t EventStream::count() const {
    std::lock_guard lock(mutex_);
    return arrivals_.size();
}

std::size_t EventStream::count_between(std::chrono::steady_clock::time_point from,
                                       std::chrono::steady_clock::time_point to) const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto at : arrivals_) n += at >= from && at < to ? 1 : 0;
    return n;
}

bool EventStream::wait_for(std::size_t n, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count() < n) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::string EventStream::text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

std::chrono::milliseconds cpu_time(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command's closing parenthesis: state is the 3rd
    // field of the line, utime the 14th and stime the 15th.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skipped;
    for (int i = 3; i < 14; ++i) fields >> skipped;
    long user = 0, system = 0;
    fields >> user >> system;
    const long per_second = ::sysconf(_SC_CLK_TCK);
    return std::chrono::milliseconds((user + system) * 1000 / per_second);
}

long wakeups(pid_t pid, bool main_thread_only) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    long sum = 0;
    std::error_code gone;  // the process ended: no tasks
    for (const auto &task : std::filesystem::directory_iterator(tasks, gone)) {
        if (main_thread_only && task.path().filename() != std::to_string(pid)) continue;
        std::ifstream in(task.path() / "status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) sum += std::stol(line.substr(24));
        }
    }
    return sum;
}

int descriptor_count(pid_t pid) {
    DIR *folder = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (folder == nullptr) return -1;
    int n = 0;
    while (const dirent *entry = ::readdir(folder)) n += entry->d_name[0] != '.' ? 1 : 0;
    ::closedir(folder);
    return n;
}

long resident_kib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace tevrak::test
