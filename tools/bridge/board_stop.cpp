#include "tools/bridge/board_stop.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "serial/link_bytes.h"

namespace tevrak::bridge {
namespace {

using Clock = std::chrono::steady_clock;

// The link check's wait for one answer, and the pause before the input is
// dropped after it (the board may answer a probe more than once).
constexpr auto kAnswerWait = std::chrono::milliseconds(50);
constexpr auto kSettle = std::chrono::milliseconds(10);

int remaining_ms(Clock::time_point deadline, std::chrono::milliseconds cap) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), cap).count());
}

bool write_by(int fd, const std::uint8_t *bytes, std::size_t n, Clock::time_point deadline) {
    while (n > 0) {
        const ssize_t written = ::write(fd, bytes, n);
        if (written > 0) {
            bytes += written;
            n -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd out{fd, POLLOUT, 0};
        const int wait = remaining_ms(deadline, std::chrono::milliseconds(1000));
        if (wait == 0 || ::poll(&out, 1, wait) < 0) return false;
    }
    return true;
}

void drop_input(int fd) {
    std::uint8_t scratch[256];
    while (::read(fd, scratch, sizeof scratch) > 0) continue;
    ::tcflush(fd, TCIFLUSH);
}

// One probe after another until the board answers with its marker.
bool link_check(int fd, Clock::time_point deadline) {
    drop_input(fd);
    while (Clock::now() < deadline) {
        if (!write_by(fd, &serial::kProbe, 1, deadline)) return false;
        pollfd in{fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, remaining_ms(deadline, kAnswerWait));
        if (ready < 0 && errno != EINTR) return false;
        std::uint8_t answer[64];
        const ssize_t n = ready > 0 ? ::read(fd, answer, sizeof answer) : 0;
        if (n > 0 && std::find(answer, answer + n, serial::kReplyMarker) != answer + n) {
            pollfd settle{fd, 0, 0};
            ::poll(&settle, 1, static_cast<int>(kSettle.count()));
            drop_input(fd);
            return true;
        }
    }
    return false;
}

}  // namespace

bool stop_board(int fd, const protocol::FrameCursor &cursor, const protocol::Motion &motion,
                std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    const std::uint8_t zeros[8] = {};
    bool whole = write_by(fd, zeros, std::min(cursor.missing(), sizeof zeros), deadline);
    if (!motion.any()) return whole;
    const bool answered = whole && link_check(fd, deadline);
    std::uint8_t frames[protocol::kMaxStopBytes];
    const std::size_t n = protocol::stop_frames(motion, frames, sizeof frames);
    // The frames go out even to a board that did not answer: it may still take them.
    whole = write_by(fd, frames, n, Clock::now() + bound) && whole;
    return answered && whole;
}

}  // namespace tevrak::bridge
