// Payload field encodings and a fixed-size frame buffer. A frame never
// touches the heap: it is built on the caller's stack.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "opcodes.h"

namespace tevrak::protocol {

// Byte field: the low 8 bits of the value (300 travels as 0x2C).
constexpr std::uint8_t byte_field(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

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
    return static_cast<std::int32_t>((std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) |
                                     (std::uint32_t{b2} << 8) | std::uint32_t{b3});
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
    constexpr std::uint8_t opcode() const { return bytes_[0]; }

private:
    constexpr void push(std::uint8_t b) {
        if (length_ < bytes_.size()) bytes_[length_++] = b;
    }
    std::array<std::uint8_t, kMaxFrameLength> bytes_{};
    std::size_t length_ = 0;
};

}  // namespace tevrak::protocol
