// The two bytes of the link check: the probe the library sends and the
// marker the board answers with. The marker also leads every reply.
#pragma once

#include <cstdint>

namespace tevrak::serial {

inline constexpr std::uint8_t kProbe = 0x0D;        // carriage return
inline constexpr std::uint8_t kReplyMarker = 0x3E;  // '>'

}  // namespace tevrak::serial
