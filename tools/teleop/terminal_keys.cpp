#include "tools/teleop/terminal_keys.h"

#include <unistd.h>

#include <cerrno>

namespace tevrak::teleop {

TerminalKeys::TerminalKeys(int fd, const Limits &limits, Clock::duration lease, bool drives)
        : SteppedInput(limits, lease), fd_(fd), drives_(drives), raw_(fd) {}

void TerminalKeys::on_readable(Clock::time_point now) {
    unsigned char bytes[64];
    const ssize_t n = ::read(fd_, bytes, sizeof bytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        // The terminal hung up or standard input ended: the hand is gone.
        lose(n == 0 ? "the terminal's input ended" : "the terminal cannot be read", now);
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (const auto parsed = parser_.feed(bytes[i])) key(*parsed, now);
    }
}

void TerminalKeys::key(Key key, Clock::time_point now) {
    if (key == Key::quit) {
        stepped_.stop();
        ask_quit();
    } else if (key == Key::stop) {
        stepped_.stop();
    } else if (drives_) {
        stepped_.step(*step_of(key), now);
    } else {
        return;
    }
    note_change(now);
}

}  // namespace tevrak::teleop
