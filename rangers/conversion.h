// Table entry of a distance reading. The 4096-step scale is cut into N
// bands; band b (b >= 1) maps onto entry b - 1, so a reading selects
// raw * N / 4096 - 1. Readings in the lowest band and beyond the last one
// would point outside the table; they are held to its first and last entry.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tevrak::rangers {

inline constexpr std::int64_t kScale = 4096;

constexpr std::int32_t reading_index(int raw, std::int32_t entries) {
    const std::int64_t index = std::int64_t{raw} * entries / kScale - 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, entries - 1));
}

}  // namespace tevrak::rangers
