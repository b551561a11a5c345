#include "protocol/command.h"

#include <cstring>

#include "protocol/cycle.h"
#include "protocol/death_guard.h"
#include "protocol/tap.h"
#include "serial/link_control.h"
#include "tevrak/serial.h"

namespace tevrak::protocol {
namespace {

Outcome link_failure(const Unit &unit, std::FILE *stream, Outcome outcome) {
    write_message(stream, unit.timeout_message);
    *unit.initialised = 0;
    cycle::close_on_failure();
    return outcome;
}

// Link check, then the frame byte by byte, each byte counted for the
// stop-on-death guard once its write returned.
bool check_and_send(const Frame &frame) {
    // Inside a cycle, once per cycle (protocol/cycle.h).
    if (!cycle::skips_link_check()) {
        if (SERCheck(kLinkInterface) != 0) return false;
        cycle::note_link_checked();
    }
    death_guard::frame_begins(serial::open_port_fd(), frame.bytes());
    std::size_t sent = 0;
    for (std::uint8_t b : frame.bytes()) {
        SERSendChar(kLinkInterface, static_cast<char>(b));
        death_guard::byte_sent(++sent);
    }
    death_guard::frame_ends();
    return true;
}

bool skip_to_marker() {
    int idle = 0;
    int stray = 0;
    while (idle < kMarkerIdleReads && stray < kMarkerStrayBytes) {
        const int c = SERReceiveChar(kLinkInterface);
        if (c == kReplyMarker) return true;
        if (c < 0) {
            ++idle;
        } else {
            idle = 0;
            ++stray;
        }
    }
    return false;
}

bool read_bytewise(std::span<std::uint8_t> reply) {
    for (auto &b : reply) {
        const int c = SERReceiveChar(kLinkInterface);
        if (c < 0) return false;
        b = static_cast<std::uint8_t>(c);
    }
    return true;
}

}  // namespace

bool ensure_started(const Unit &unit) {
    if (*unit.initialised != 0) return true;
    cycle::forget_link_check();  // the start-up may reopen the port
    return unit.startup() == 0;
}

Outcome start(const Unit &unit) {
    if (unit.start != nullptr) return unit.start();
    return unit.startup() == 0 ? Outcome::ok : Outcome::startup_failed;
}

Outcome send_without_startup(const Unit &unit, const Frame &frame, std::FILE *stream) {
    const Outcome outcome = check_and_send(frame) ? Outcome::ok : link_failure(unit, stream, Outcome::link_failed);
    tap::note(frame.bytes(), {}, static_cast<int>(outcome));
    return outcome;
}

Outcome command(const Unit &unit, const Frame &frame, std::FILE *stream) {
    if (!ensure_started(unit)) return Outcome::startup_failed;
    return send_without_startup(unit, frame, stream);
}

int command_result(const Unit &unit, const Frame &frame, std::FILE *stream) {
    return command(unit, frame, stream) == Outcome::ok ? 0 : 1;
}

Outcome query(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply, std::FILE *stream, ReplyRead mode) {
    if (!ensure_started(unit)) return Outcome::startup_failed;
    return query_without_startup(unit, frame, reply, stream, mode);
}

// The query's exchange; its caller hands it to the tap.
static Outcome exchange(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply, std::FILE *stream,
                        ReplyRead mode) {
    if (!check_and_send(frame)) return link_failure(unit, stream, Outcome::link_failed);
    if (!skip_to_marker()) return link_failure(unit, stream, Outcome::no_reply);
    if (mode == ReplyRead::single_read) {
        const int n =
            SERReceive(kLinkInterface, reinterpret_cast<char *>(reply.data()), static_cast<int>(reply.size()));
        if (n == static_cast<int>(reply.size())) return Outcome::ok;
        cycle::close_on_failure();
        return Outcome::short_reply;
    }
    if (!read_bytewise(reply)) return link_failure(unit, stream, Outcome::no_reply);
    return Outcome::ok;
}

Outcome query_without_startup(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply, std::FILE *stream,
                              ReplyRead mode) {
    const Outcome outcome = exchange(unit, frame, reply, stream, mode);
    tap::note(frame.bytes(),
              outcome == Outcome::ok ? std::span<const std::uint8_t>(reply) : std::span<const std::uint8_t>(),
              static_cast<int>(outcome));
    return outcome;
}

}  // namespace tevrak::protocol
