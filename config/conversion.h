// Pure arithmetic that maps servo positions, motor speeds, encoder counts
// and distance readings through a device's calibration table. Every table
// index is held within the table, and nothing here can overflow: products
// are formed in 64 bits, negation and subtraction wrap in 32 bits as the
// board's two's-complement fields do.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tevrak::conversion {

// Holds a computed index within a table of entries > 0 entries.
constexpr std::int32_t index_within(std::int64_t index, std::int32_t entries) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, entries - 1));
}

// A servo position held within its limits: lowered to high first, then
// raised to low, so a low limit above the high limit wins.
constexpr std::int32_t limited_position(std::int32_t position, std::int32_t low, std::int32_t high) {
    if (position > high) position = high;
    if (position < low) position = low;
    return position;
}

// Table entry of a limited servo position: position * N / 256, truncated.
constexpr std::int32_t servo_index(std::int32_t position, std::int32_t entries) {
    return index_within(std::int64_t{position} * entries / 256, entries);
}

// Table entry of a motor speed: |speed| * N / 101, truncated; magnitudes
// beyond 100 take the last entry.
constexpr std::int32_t motor_index(std::int32_t speed, std::int32_t entries) {
    const std::int64_t magnitude = speed > 0 ? std::int64_t{speed} : -std::int64_t{speed};
    return index_within(magnitude * entries / 101, entries);
}

// Table entry of a distance reading. The 4096-step scale is cut into N
// bands; band b (b >= 1) maps onto entry b - 1, so a reading selects
// raw * N / 4096 - 1. Readings in the lowest band and beyond the last one
// are held to the table's first and last entry.
inline constexpr std::int64_t kReadingScale = 4096;

constexpr std::int32_t reading_index(int raw, std::int32_t entries) {
    return index_within(std::int64_t{raw} * entries / kReadingScale - 1, entries);
}

// -value in 32-bit two's complement (INT32_MIN stays itself).
constexpr std::int32_t negated(std::int32_t value) {
    return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
}

// count - zero in 32-bit two's complement: a counter that wrapped past its
// end still gives the distance travelled.
constexpr std::int32_t relative_count(std::int32_t count, std::int32_t zero) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(count) - static_cast<std::uint32_t>(zero));
}

}  // namespace tevrak::conversion
