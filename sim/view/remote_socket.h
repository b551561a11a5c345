// The simulated remote's side of the infrared daemon: a Unix stream socket
// that programs reach through LIRC_SOCKET_PATH as they reach the real
// daemon. Every client gets every key event as one line; a client may also
// send "SIMULATE <event>" (as irsend does), which goes to the other clients
// and is answered with the daemon's reply packet.
//
// One thread of its own serves the socket: it sleeps in poll() until a
// client connects or writes, a key is queued, or a held key's next repeat
// is due.
#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tevrak::sim::view {

class RemoteSocket {
public:
    // A held key repeats at this interval, as a real remote does.
    static constexpr std::chrono::milliseconds kRepeatInterval{110};

    // Listens at path (replacing a stale socket or a link there), made
    // 0600 before anyone can connect. With folder_fd (a descriptor of
    // path's folder), the socket is made relative to it. Throws
    // std::runtime_error with a one-line reason when it cannot.
    explicit RemoteSocket(std::string path, int folder_fd = -1);
    // Stops the thread, disconnects every client and removes the socket.
    ~RemoteSocket();
    RemoteSocket(const RemoteSocket &) = delete;
    RemoteSocket &operator=(const RemoteSocket &) = delete;

    const std::string &path() const { return path_; }

    // The button pressed and held for the given repeats: one event now (or
    // right after the keys queued before it) and one per repeat interval.
    // False for a bad name or repeat count, or with too many keys queued.
    bool press(std::string_view button, int repeats);
    // One event of the button with the given repeat count, sent now.
    bool send(std::string_view button, int repeat);

private:
    struct Due {
        std::chrono::steady_clock::time_point at;
        std::string line;
    };
    struct Client {
        int fd;
        std::string input;
    };

    void run();
    void accept_clients();  // every connection waiting
    // False when the client is gone.
    bool read_from(Client &client);
    void handle_command(Client &client, std::string_view command);
    void broadcast(const std::string &line, const Client *except);
    void wake();

    std::string path_;
    std::string name_;  // the socket's name in its folder
    int folder_ = -1;   // its folder (owned)
    int listener_ = -1;
    int wake_ = -1;
    std::vector<Client> clients_;  // the thread's own

    std::mutex mutex_;
    std::deque<Due> due_;
    std::chrono::steady_clock::time_point last_due_{};
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tevrak::sim::view
