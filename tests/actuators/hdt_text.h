// Building hdt.txt lines and reading what the simulated board received.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/board/board.h"

namespace tevrak::test {

// The four encoders' software zeros, as the actuator unit keeps them.
using Offsets = std::array<std::int32_t, 4>;

// "TABLE <name> <entry(0)> ... <entry(entries - 1)>\n".
template <typename Entry>
std::string table_line(std::string_view name, int entries, Entry entry) {
    std::string line = "TABLE " + std::string(name);
    for (int i = 0; i < entries; ++i) line += " " + std::to_string(entry(i));
    return line + "\n";
}

// The frames the board received once n of them are in, with a short grace
// period so that a stray extra frame shows up in the result as well.
inline std::vector<sim::Bytes> settled_frames(const sim::Board &board, std::size_t n) {
    board.wait_for_frames(n);
    board.wait_for_frames(n + 1, std::chrono::milliseconds(50));
    return board.frames();
}

}  // namespace tevrak::test
