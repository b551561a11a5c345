#include "protocol/command.h"

#include <cstring>

#include "tevrak/serial.h"

namespace tevrak::protocol {
namespace {

Outcome link_failure(const Unit &unit, std::FILE *stream, Outcome outcome) {
    write_message(stream, unit.timeout_message);
    *unit.initialised = 0;
    return outcome;
}

// Link check, then the frame byte by byte.
bool check_and_send(const Frame &frame) {
    if (SERCheck(kLinkInterface) != 0) return false;
    for (std::uint8_t b : frame.bytes()) {
        SERSendChar(kLinkInterface, static_cast<char>(b));
    }
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
    return unit.startup() == 0;
}

Outcome start(const Unit &unit) {
    if (unit.start != nullptr) return unit.start();
    return unit.startup() == 0 ? Outcome::ok : Outcome::startup_failed;
}

Outcome send_without_startup(const Unit &unit, const Frame &frame, std::FILE *stream) {
    if (!check_and_send(frame)) return link_failure(unit, stream, Outcome::link_failed);
    return Outcome::ok;
}

Outcome command(const Unit &unit, const Frame &frame, std::FILE *stream) {
    if (!ensure_started(unit)) return Outcome::startup_failed;
    return send_without_startup(unit, frame, stream);
}

int command_result(const Unit &unit, const Frame &frame, std::FILE *stream) {
    return command(unit, frame, stream) == Outcome::ok ? 0 : 1;
}

Outcome query(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply, std::FILE *stream,
              ReplyRead mode) {
    if (!ensure_started(unit)) return Outcome::startup_failed;
    return query_without_startup(unit, frame, reply, stream, mode);
}

Outcome query_without_startup(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply,
                              std::FILE *stream, ReplyRead mode) {
    if (!check_and_send(frame)) return link_failure(unit, stream, Outcome::link_failed);
    if (!skip_to_marker()) return link_failure(unit, stream, Outcome::no_reply);
    if (mode == ReplyRead::single_read) {
        const int n = SERReceive(kLinkInterface, reinterpret_cast<char *>(reply.data()), static_cast<int>(reply.size()));
        return n == static_cast<int>(reply.size()) ? Outcome::ok : Outcome::short_reply;
    }
    if (!read_bytewise(reply)) return link_failure(unit, stream, Outcome::no_reply);
    return Outcome::ok;
}

}  // namespace tevrak::protocol
