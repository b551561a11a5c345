// One record of the tap: a copy of one exchange with the board, sent as one
// datagram of fixed size. The listener checks every field before it uses
// one (tap/listener.h): a record is what another program wrote.
#pragma once

#include <cstdint>

#include "protocol/opcodes.h"

namespace tevrak::protocol::tap {

inline constexpr std::uint32_t kMagic = 0x31504154;  // "TAP1" in memory order

// The exchange's outcome, as protocol::Outcome numbers it.
struct Record {
    std::uint32_t magic = kMagic;
    std::uint32_t dropped = 0;    // records the sender dropped so far
    std::int64_t time_ns = 0;     // CLOCK_REALTIME when the exchange ended
    std::uint8_t outcome = 0;     // protocol::Outcome
    std::uint8_t frame_length = 0;
    std::uint8_t reply_length = 0;
    std::uint8_t reserved = 0;
    std::uint8_t frame[kMaxFrameLength] = {};
    std::uint8_t reply[kMaxReplyLength] = {};
};

}  // namespace tevrak::protocol::tap
