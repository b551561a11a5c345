#include "tools/bridge/relay.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "tools/bridge/framing.h"

namespace tevrak::bridge {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 4096;

// Bytes waiting for their descriptor to take them.
template <std::size_t Capacity>
struct Pending {
    std::uint8_t bytes[Capacity];
    std::size_t begin = 0;
    std::size_t end = 0;

    bool empty() const { return begin == end; }
    // Room at the back, after moving what waits to the front.
    std::size_t make_room() {
        if (begin > 0) {
            std::memmove(bytes, bytes + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        return Capacity - end;
    }
    // Writes what waits; false when the descriptor is gone. Returns the
    // bytes taken in taken.
    bool flush(int fd, std::size_t &taken) {
        taken = 0;
        const ssize_t n = ::write(fd, bytes + begin, end - begin);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        taken = static_cast<std::size_t>(n);
        begin += taken;
        if (begin == end) begin = end = 0;
        return true;
    }
};

bool would_block(ssize_t n) { return n < 0 && (errno == EAGAIN || errno == EINTR); }

int milliseconds_until(Clock::time_point when, Clock::time_point now) {
    if (when <= now) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(when - now).count());
}

class Loop {
public:
    Loop(const RelayEnds &ends, const RelayTimes &times, BoardTrace *trace)
            : ends_(ends), times_(times), trace_(trace), start_(Clock::now()), next_heartbeat_(start_) {}

    Ending run() {
        for (;;) {
            const auto now = Clock::now();
            const auto deadline = heard_ ? last_heard_ + times_.lease : start_ + times_.first;
            if (now >= deadline) return heard_ ? Ending::silent : Ending::never_heard;
            if (now >= next_heartbeat_) {
                // A link that takes nothing gets no heartbeat piled up.
                if (to_link_.make_room() >= sizeof kHeartbeatBytes) {
                    std::memcpy(to_link_.bytes + to_link_.end, kHeartbeatBytes, sizeof kHeartbeatBytes);
                    to_link_.end += sizeof kHeartbeatBytes;
                }
                next_heartbeat_ = now + times_.heartbeat;
            }
            if (auto ending = wait_and_move(milliseconds_until(std::min(deadline, next_heartbeat_), now))) {
                return *ending;
            }
        }
    }

private:
    enum Slot { kSignals, kLinkIn, kLinkOut, kBoard, kSlots };

    const Ending *wait_and_move(int timeout) {
        // A descriptor with nothing wanted of it is left out (-1), so that a
        // hang-up it holds cannot wake the loop again and again.
        const bool room = to_link_.make_room() >= 2 * kChunk;
        const short board = static_cast<short>((room ? POLLIN : 0) | (to_board_.empty() ? 0 : POLLOUT));
        pollfd fds[kSlots] = {
            {ends_.signals, POLLIN, 0},
            // One chunk of the link at a time, once the board took the last one.
            {to_board_.empty() ? ends_.link_in : -1, POLLIN, 0},
            {to_link_.empty() ? -1 : ends_.link_out, POLLOUT, 0},
            {board != 0 ? ends_.board : -1, board, 0},
        };
        if (::poll(fds, kSlots, timeout) < 0) return errno == EINTR ? nullptr : end(Ending::board_gone);
        if (fds[kSignals].revents) {
            signalfd_siginfo info;
            if (::read(ends_.signals, &info, sizeof info) == sizeof info) return end(Ending::signal);
        }
        if (fds[kLinkIn].revents && !read_link()) return ending_;
        if (fds[kBoard].revents & (POLLOUT | POLLHUP | POLLERR) && !to_board_.empty() && !write_board()) return ending_;
        if (fds[kBoard].revents & (POLLIN | POLLHUP | POLLERR) && room && !read_board()) return ending_;
        if (fds[kLinkOut].revents && !to_link_.empty()) {
            std::size_t taken;
            if (!to_link_.flush(ends_.link_out, taken)) return end(Ending::link_closed);
        }
        return nullptr;
    }

    const Ending *end(Ending ending) {
        stored_ = ending;
        ending_ = &stored_;
        return ending_;
    }

    // A chunk's size; 0 when nothing is there yet, -1 (the loop's ending
    // set to at_end) when fd is done.
    ssize_t read_chunk(int fd, std::uint8_t (&into)[kChunk], Ending at_end) {
        const ssize_t n = ::read(fd, into, kChunk);
        if (would_block(n)) return 0;
        if (n <= 0) return end(at_end), -1;
        return n;
    }

    bool read_link() {
        std::uint8_t framed[kChunk];
        const ssize_t n = read_chunk(ends_.link_in, framed, Ending::link_closed);
        if (n <= 0) return n == 0;
        const auto result = decoder_.decode(framed, static_cast<std::size_t>(n), to_board_.bytes);
        // Nothing of a chunk that holds a damaged pair reaches the board.
        if (result.damaged) return end(Ending::damaged), false;
        to_board_.begin = 0;
        to_board_.end = result.data;
        heard_ = true;
        last_heard_ = Clock::now();
        return to_board_.empty() || write_board();
    }

    bool write_board() {
        const std::size_t from = to_board_.begin;
        std::size_t taken;
        if (!to_board_.flush(ends_.board, taken)) return end(Ending::board_gone), false;
        if (trace_ != nullptr) {
            for (std::size_t i = 0; i < taken; ++i) trace_->cursor.feed(to_board_.bytes[from + i], trace_->motion);
        }
        return true;
    }

    bool read_board() {
        std::uint8_t raw[kChunk];
        const ssize_t n = read_chunk(ends_.board, raw, Ending::board_gone);
        if (n <= 0) return n == 0;
        to_link_.end += encode(raw, static_cast<std::size_t>(n), to_link_.bytes + to_link_.end);
        std::size_t taken;
        return to_link_.flush(ends_.link_out, taken) || (end(Ending::link_closed), false);
    }

    RelayEnds ends_;
    RelayTimes times_;
    BoardTrace *trace_;
    Decoder decoder_;
    Pending<kChunk> to_board_;
    Pending<4 * kChunk> to_link_;
    Clock::time_point start_;
    Clock::time_point next_heartbeat_;
    Clock::time_point last_heard_{};
    bool heard_ = false;
    Ending stored_ = Ending::link_closed;
    const Ending *ending_ = nullptr;
};

}  // namespace

Ending relay(const RelayEnds &ends, const RelayTimes &times, BoardTrace *trace) {
    Loop loop(ends, times, trace);
    return loop.run();
}

}  // namespace tevrak::bridge
