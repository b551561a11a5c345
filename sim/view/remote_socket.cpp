#include "sim/view/remote_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "sim/program/control.h"
#include "sim/view/key_event.h"

namespace tevrak::sim::view {
namespace {

constexpr std::size_t kMostClients = 32;
constexpr std::size_t kMostQueued = 4096;  // events of keys not sent yet
constexpr std::size_t kLongestCommand = 512;

std::string reply_packet(std::string_view command, std::string_view error) {
    std::string reply = "BEGIN\n";
    reply.append(command);
    reply += error.empty() ? "\nSUCCESS\n" : "\nERROR\nDATA\n1\n" + std::string(error) + "\n";
    return reply + "END\n";
}

// Writes all of text or gives up on the client: a client that does not read
// what the socket buffer holds is not waiting for keys.
bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Binds the listener in a private folder (0700) of folder_fd's and sets
// the socket to 0600 there, whatever the umask, before it moves to name:
// no other user can connect in between, and a link at name gives way.
// An error text, empty on success.
std::string bind_private(int listener, int folder_fd, const std::string &name, const std::string &folder_path) {
    const std::string private_name = "." + name + "." + std::to_string(::getpid());
    ::unlinkat(folder_fd, private_name.c_str(), AT_REMOVEDIR);  // an empty one a killed run left
    if (::mkdirat(folder_fd, private_name.c_str(), 0700) != 0) return std::strerror(errno);
    const int folder = ::openat(folder_fd, private_name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::string problem;
    if (folder < 0) {
        problem = std::strerror(errno);
    } else {
        // bind() takes a path: the private folder's through its descriptor,
        // or spelled out where /proc is missing.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string through_fd = "/proc/self/fd/" + std::to_string(folder) + "/" + name;
        const std::string spelled = folder_path + "/" + private_name + "/" + name;
        const std::string &path = ::access("/proc/self/fd", X_OK) == 0 ? through_fd : spelled;
        if (path.size() >= sizeof(address.sun_path)) {
            problem = "the path is too long (at most " + std::to_string(sizeof(address.sun_path) - 1) + " characters)";
        } else {
            path.copy(address.sun_path, path.size());
            if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
                ::fchmodat(folder, name.c_str(), 0600, 0) != 0 || ::listen(listener, 16) != 0 ||
                ::renameat(folder, name.c_str(), folder_fd, name.c_str()) != 0) {
                problem = std::strerror(errno);
            }
        }
        ::unlinkat(folder, name.c_str(), 0);
        ::close(folder);
    }
    ::unlinkat(folder_fd, private_name.c_str(), AT_REMOVEDIR);
    return problem;
}

}  // namespace

RemoteSocket::RemoteSocket(std::string path, int folder_fd) : path_(std::move(path)) {
    if (path_.size() >= sizeof(sockaddr_un::sun_path)) {
        throw std::runtime_error("the remote's socket path is too long (at most " +
                                 std::to_string(sizeof(sockaddr_un::sun_path) - 1) + " characters): " + path_);
    }
    const auto slash = path_.rfind('/');
    const std::string folder_path = slash == std::string::npos ? "." : path_.substr(0, std::max<std::size_t>(slash, 1));
    name_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    folder_ = folder_fd >= 0 ? ::fcntl(folder_fd, F_DUPFD_CLOEXEC, 0)
                             : ::open(folder_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::string problem = folder_ < 0 || listener_ < 0 || wake_ < 0 ? std::strerror(errno) : "";
    if (problem.empty()) problem = bind_private(listener_, folder_, name_, folder_path);
    if (!problem.empty()) {
        for (int fd : {listener_, wake_, folder_}) {
            if (fd >= 0) ::close(fd);
        }
        throw std::runtime_error("cannot listen for the remote's clients at " + path_ + ": " + problem);
    }
    thread_ = std::thread([this] { run(); });
}

RemoteSocket::~RemoteSocket() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    for (const Client &client : clients_) ::close(client.fd);
    ::close(listener_);
    ::close(wake_);
    ::unlinkat(folder_, name_.c_str(), 0);
    ::close(folder_);
}

bool RemoteSocket::press(std::string_view button, int repeats) {
    if (!is_button_name(button) || repeats < 0 || repeats > kMostKeyRepeats) return false;
    {
        std::lock_guard lock(mutex_);
        if (due_.size() + static_cast<std::size_t>(repeats) + 1 > kMostQueued) return false;
        // One remote, one key at a time: a press follows the keys before it.
        const auto now = std::chrono::steady_clock::now();
        auto at = due_.empty() ? now : std::max(now, last_due_ + kRepeatInterval);
        for (int repeat = 0; repeat <= repeats; ++repeat, at += kRepeatInterval) {
            due_.push_back({at, key_event_line(button, repeat)});
            last_due_ = at;
        }
    }
    wake();
    return true;
}

bool RemoteSocket::send(std::string_view button, int repeat) {
    if (!is_button_name(button) || repeat < 0 || repeat > kMostKeyRepeats) return false;
    {
        std::lock_guard lock(mutex_);
        if (due_.size() >= kMostQueued) return false;
        due_.push_front({std::chrono::steady_clock::now(), key_event_line(button, repeat)});
    }
    wake();
    return true;
}

void RemoteSocket::wake() {
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
}

void RemoteSocket::run() {
    std::vector<pollfd> fds;
    std::vector<std::string> ready;
    for (;;) {
        int timeout = -1;
        ready.clear();
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            const auto now = std::chrono::steady_clock::now();
            while (!due_.empty() && due_.front().at <= now) {
                ready.push_back(std::move(due_.front().line));
                due_.pop_front();
            }
            if (!due_.empty()) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(due_.front().at - now);
                timeout = static_cast<int>(left.count());
            }
        }
        // A program that connected before this moment gets the key, even
        // when its connection has not woken the loop yet.
        if (!ready.empty()) accept_clients();
        for (const std::string &line : ready) broadcast(line, nullptr);

        fds.assign({{wake_, POLLIN, 0}, {listener_, POLLIN, 0}});
        for (const Client &client : clients_) fds.push_back({client.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) {
            std::uint64_t count = 0;
            (void)!::read(wake_, &count, sizeof count);
        }
        if (fds[1].revents != 0) accept_clients();
        // Clients in the order polled; accept_clients only appended.
        std::vector<int> gone;
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            auto client =
                std::find_if(clients_.begin(), clients_.end(), [&](const Client &c) { return c.fd == fds[i].fd; });
            if (client != clients_.end() && !read_from(*client)) gone.push_back(client->fd);
        }
        for (const int fd : gone) {
            ::close(fd);
            std::erase_if(clients_, [fd](const Client &c) { return c.fd == fd; });
        }
    }
}

void RemoteSocket::accept_clients() {
    for (int fd; (fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
        if (clients_.size() >= kMostClients) {
            ::close(fd);
        } else {
            clients_.push_back({fd, {}});
        }
    }
}

bool RemoteSocket::read_from(Client &client) {
    char chunk[512];
    const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    client.input.append(chunk, static_cast<std::size_t>(n));
    for (auto end = client.input.find('\n'); end != std::string::npos; end = client.input.find('\n')) {
        std::string command = client.input.substr(0, end);
        client.input.erase(0, end + 1);
        if (!command.empty() && command.back() == '\r') command.pop_back();
        handle_command(client, command);
    }
    return client.input.size() <= kLongestCommand;
}

void RemoteSocket::handle_command(Client &client, std::string_view command) {
    constexpr std::string_view kSimulate = "SIMULATE ";
    std::string_view error = "unknown command";
    if (command.substr(0, kSimulate.size()) == kSimulate) {
        if (const auto line = simulated_event_line(command.substr(kSimulate.size()))) {
            broadcast(*line, &client);
            error = {};
        } else {
            error = "bad send packet";
        }
    }
    // A client that cannot take its reply ends with its next read.
    if (!write_all(client.fd, reply_packet(command, error))) ::shutdown(client.fd, SHUT_RDWR);
}

void RemoteSocket::broadcast(const std::string &line, const Client *except) {
    for (Client &client : clients_) {
        if (&client != except && !write_all(client.fd, line)) ::shutdown(client.fd, SHUT_RDWR);
    }
}

}  // namespace tevrak::sim::view
