#include "tools/bridge/framing.h"

namespace tevrak::bridge {

std::size_t encode(const std::uint8_t *in, std::size_t n, std::uint8_t *out) {
    std::size_t written = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (in[i] == kEscape) out[written++] = kEscape;
        out[written++] = in[i];
    }
    return written;
}

Decoder::Result Decoder::decode(const std::uint8_t *in, std::size_t n, std::uint8_t *out) {
    Result result;
    for (std::size_t i = 0; i < n && !damaged_; ++i) {
        const std::uint8_t byte = in[i];
        if (!escaped_) {
            if (byte == kEscape) {
                escaped_ = true;
            } else {
                out[result.data++] = byte;
            }
            continue;
        }
        escaped_ = false;
        if (byte == kEscape) {
            out[result.data++] = kEscape;
        } else if (byte == kHeartbeat) {
            ++result.heartbeats;
        } else {
            damaged_ = true;
        }
    }
    result.damaged = damaged_;
    return result;
}

}  // namespace tevrak::bridge
