// A real lirc daemon of its own for tests and benchmarks: lircd with a small
// test remote, listening on a socket in a temporary folder, accepting
// simulated key events. Nothing of the system's lirc set-up is used or
// touched: options, configuration, socket, pid file and log are private.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace tevrak::test {

// Name of the remote in the daemon's configuration.
inline constexpr std::string_view kTestRemote = "tevrak_test";

class PrivateLircd {
public:
    // Starts the daemon in folder (created if missing) and waits until it
    // accepts connections; throws std::runtime_error when it does not come up.
    explicit PrivateLircd(std::string folder);
    // Stops the daemon (by its own process id) when still running.
    ~PrivateLircd();
    PrivateLircd(const PrivateLircd &) = delete;
    PrivateLircd &operator=(const PrivateLircd &) = delete;

    const std::string &socket_path() const { return socket_; }
    pid_t pid() const { return pid_; }

    // Points the lirc client library of this process at the daemon
    // (LIRC_SOCKET_PATH).
    void use_for_clients() const;

    // Makes the daemon broadcast one event of button with the given repeat
    // count, through irsend SIMULATE. Returns irsend's success.
    bool press(std::string_view button, int repeat = 0) const;
    // Sends the daemon SIGHUP: it rereads its configuration and tells every
    // client so with the notice lines "BEGIN", "SIGHUP", "END".
    void reload() const;
    // Stops the daemon and waits for it to end.
    void stop();
    // Starts it again after stop(), on the same socket, and waits until it
    // accepts connections (nothing when it runs).
    void start();

private:
    std::string folder_;
    std::string socket_;
    pid_t pid_ = -1;
};

// Sends one key event of the test remote's button with the given repeat
// count to the daemon (or the simulator's remote) listening at socket, as
// irsend SIMULATE does. Returns irsend's success.
bool simulate_key(const std::string &socket, std::string_view button, int repeat = 0);

// Runs program with args, waits for it and returns its exit status (-1 when
// it could not run or did not exit normally).
int run_program(const char *program, std::initializer_list<std::string> args);

}  // namespace tevrak::test
