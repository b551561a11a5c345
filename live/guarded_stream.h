// One connection of the live page's server, read through limits that
// httplib's own socket stream does not have: the request line and headers
// together, the body (chunked too) and the time one request may take.
#pragma once

#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace tevrak::sim::view {

using StreamClock = std::chrono::steady_clock;

// What one request may take, all checked while it is read: its request line
// and headers, its body (the page's posts are a few bytes) and the time to
// send it all. The connection's wait for its next request is shorter.
inline constexpr std::size_t kMostHeadBytes = 8192;
inline constexpr std::size_t kMostBodyBytes = 4096;
inline constexpr auto kRequestTime = std::chrono::seconds(5);
inline constexpr auto kKeepAlive = std::chrono::seconds(2);
inline constexpr auto kWriteTime = std::chrono::seconds(5);

// One connection, read through the limits above.
class GuardedStream final : public httplib::Stream {
public:
    enum class Cut { none, head, body, time };

    GuardedStream(int fd, const std::atomic<int> &listener) : fd_(fd), listener_(listener) {}

    // Waits for the next request: true when one begins.
    bool next_request() {
        if (offset_ == size_ && !wait(POLLIN, StreamClock::now() + kKeepAlive)) return false;
        deadline_ = StreamClock::now() + kRequestTime;
        limit_ = kMostHeadBytes;
        used_ = 0;
        return true;
    }
    // The headers were read: the body follows.
    void begin_body() {
        limit_ = kMostBodyBytes;
        used_ = 0;
    }
    Cut cut() const { return cut_; }
    // After this response the connection closes (a request refused before
    // its body was read leaves the body unread).
    void close_after() { close_ = true; }
    bool closing() const { return close_ || cut_ != Cut::none; }

    bool is_readable() const override { return offset_ < size_ || wait(POLLIN, deadline_); }
    bool is_writable() const override { return wait(POLLOUT, StreamClock::now() + kWriteTime); }

    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;

    void get_remote_ip_and_port(std::string &ip, int &port) const override { address(::getpeername, ip, port); }
    void get_local_ip_and_port(std::string &ip, int &port) const override { address(::getsockname, ip, port); }
    int socket() const override { return fd_; }

private:
    // Polls in short steps, so that a stopping server is not kept waiting.
    bool wait(short events, StreamClock::time_point until) const;

    void address(int (*name)(int, sockaddr *, socklen_t *), std::string &ip, int &port) const;

    const int fd_;
    const std::atomic<int> &listener_;
    char buffer_[4096];
    std::size_t offset_ = 0;
    std::size_t size_ = 0;
    StreamClock::time_point deadline_;
    std::size_t limit_ = kMostHeadBytes;
    std::size_t used_ = 0;
    Cut cut_ = Cut::none;
    bool close_ = false;
};

}  // namespace tevrak::sim::view
