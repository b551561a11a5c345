// Decoding of controller-board frames into named fields, and the log text
// of a frame and of a reply: "VWStraight distance=1000 speed=200",
// "VWGetPosition -> x=10 y=-10 heading=157".
//
// Fields are shown in the order of the operation's arguments, not of the
// wire (VWStraight and VWTurn carry the speed first), in the board's units:
// millimetres, mm/s and hundredths of a radian (per second).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tevrak::sim {

struct DecodedFrame {
    std::uint8_t opcode = 0;
    const char *name = nullptr;  // nullptr: not a known, complete frame
    int count = 0;
    std::array<const char *, 4> labels{};
    std::array<int, 4> values{};

    // The value of the field with the label; 0 when there is none.
    int operator[](std::string_view label) const;
};

// Splits a complete frame into its fields. A byte that is no opcode, or a
// frame of the wrong length, gives a DecodedFrame without name.
DecodedFrame decode_frame(std::span<const std::uint8_t> frame);

// The fields of the data behind the reply marker of a query with the given
// opcode; count 0 for commands or data too short for its fields.
DecodedFrame decode_reply(std::uint8_t opcode, std::span<const std::uint8_t> reply);

// "VWStraight distance=1000 speed=200"; unknown frames as hex bytes.
std::string describe_frame(std::span<const std::uint8_t> frame);

// " -> x=10 y=-10 heading=157" for the data behind the reply marker of a
// query with the given opcode; empty for commands.
std::string describe_reply(std::uint8_t opcode, std::span<const std::uint8_t> reply);

}  // namespace tevrak::sim
