// Payload field encodings and a fixed-size frame buffer. A frame never
// touches the heap: it is built on the caller's stack. make_frame and
// reply_value place and read the fields where the opcode table says.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "opcodes.h"

namespace tevrak::protocol {

// Byte field: the low 8 bits of the value (300 travels as 0x2C).
constexpr std::uint8_t byte_field(int value) { return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu); }

// Word field: bits 15..8 then bits 7..0 of the value (-1 travels as FF FF).
constexpr std::array<std::uint8_t, 2> word_field(int value) {
    const auto bits = static_cast<unsigned>(value);
    return {static_cast<std::uint8_t>((bits >> 8) & 0xFFu), static_cast<std::uint8_t>(bits & 0xFFu)};
}

// Reply decodings, high byte first.
constexpr int signed_word(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((high << 8) | low));
}
constexpr int unsigned_word(std::uint8_t high, std::uint8_t low) { return (high << 8) | low; }
constexpr std::int32_t signed_long(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return static_cast<std::int32_t>((std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) |
                                     std::uint32_t{b3});
}

// The value of a field of a frame or a reply, as its width and sign say.
constexpr int field_value(const Field &field, std::span<const std::uint8_t> bytes) {
    const std::size_t at = field.offset;
    switch (field.width) {
    case 1: return field.is_signed ? static_cast<std::int8_t>(bytes[at]) : bytes[at];
    case 2: return field.is_signed ? signed_word(bytes[at], bytes[at + 1]) : unsigned_word(bytes[at], bytes[at + 1]);
    default: return signed_long(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
    }
}

// An opcode and its payload, assembled field by field.
class Frame {
public:
    explicit constexpr Frame(std::uint8_t opcode) { bytes_[length_++] = opcode; }

    constexpr Frame &byte(int value) {
        push(byte_field(value));
        return *this;
    }
    constexpr Frame &word(int value) {
        const auto w = word_field(value);
        push(w[0]);
        push(w[1]);
        return *this;
    }

    constexpr std::span<const std::uint8_t> bytes() const { return {bytes_.data(), length_}; }

private:
    template <std::uint8_t Opcode, typename... Args>
    friend constexpr Frame make_frame(Args... arguments);

    // Writes value into the field's bytes: its low 8, 16 or 32 bits, high first.
    constexpr void put(const Field &field, int value) {
        const auto bits = static_cast<unsigned>(value);
        for (std::size_t i = 0; i < field.width; ++i) {
            bytes_[field.offset + i] = static_cast<std::uint8_t>((bits >> (8 * (field.width - 1 - i))) & 0xFFu);
        }
    }

    constexpr void push(std::uint8_t b) {
        if (length_ < bytes_.size()) bytes_[length_++] = b;
    }
    std::array<std::uint8_t, kMaxFrameLength> bytes_{};
    std::size_t length_ = 0;
};

// The frame of an operation, its arguments given in the table's order
// (VWStraight: distance, then speed, whatever order the wire has).
template <std::uint8_t Opcode, typename... Args>
constexpr Frame make_frame(Args... arguments) {
    constexpr const OpcodeInfo &info = opcode_info<Opcode>();
    static_assert(sizeof...(Args) == info.argument_count, "the operation takes another number of arguments");
    const int values[] = {static_cast<int>(arguments)..., 0};
    Frame frame(Opcode);
    frame.length_ = info.frame_length;
    for (std::size_t i = 0; i < info.argument_count; ++i) frame.put(info.arguments[i], values[i]);
    return frame;
}

// The reply buffer of a query: as long as the table says.
template <std::uint8_t Opcode>
using Reply = std::array<std::uint8_t, opcode_info<Opcode>().reply_length>;

// Reply field number index of a query, in the table's order.
template <std::uint8_t Opcode>
constexpr int reply_value(const Reply<Opcode> &reply, std::size_t index) {
    return field_value(opcode_info<Opcode>().reply[index], reply);
}

}  // namespace tevrak::protocol
