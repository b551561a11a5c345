// The bridge's framing: the board's bytes travel unchanged except the escape
// byte, which is doubled; an escape followed by kHeartbeat is the heartbeat
// each end sends to say it is still there. Any other byte after an escape is
// a damaged stream. The decoder keeps an escape cut off at the end of one
// chunk for the next, so chunks may split the stream anywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tevrak::bridge {

inline constexpr std::uint8_t kEscape = 0x10;     // no opcode, probe or marker
inline constexpr std::uint8_t kHeartbeat = 0x48;  // 'H'
inline constexpr std::uint8_t kHeartbeatBytes[] = {kEscape, kHeartbeat};

// Writes the framed form of n board bytes to out, which holds at least 2 * n
// bytes. Returns the count written.
std::size_t encode(const std::uint8_t *in, std::size_t n, std::uint8_t *out);

class Decoder {
public:
    struct Result {
        std::size_t data = 0;        // board bytes written to out
        std::size_t heartbeats = 0;  // heartbeats seen
        bool damaged = false;        // an escape before an unknown byte: the rest is not read
    };

    // Decodes n framed bytes into out, which holds at least n bytes. After a
    // damaged pair nothing more is decoded, now or in a later call.
    Result decode(const std::uint8_t *in, std::size_t n, std::uint8_t *out);
    // An escape waits for its second byte.
    bool mid_escape() const { return escaped_; }
    bool damaged() const { return damaged_; }

private:
    bool escaped_ = false;
    bool damaged_ = false;
};

}  // namespace tevrak::bridge
