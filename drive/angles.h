// Angles cross the drive interface in degrees and the wire in hundredths of
// a radian. The board's firmware uses 314/180 as the factor, so the same
// integer arithmetic is used here, truncating toward zero both ways.
#pragma once

#include <cstdint>

namespace tevrak::drive {

// Degrees to hundredths of a radian (45 -> 78, -1 -> -1). The product is
// formed in 64 bits so that no argument overflows; the word field then takes
// the low 16 bits of the result.
constexpr int degrees_to_wire(int degrees) { return static_cast<int>(std::int64_t{degrees} * 314 / 180); }

// Hundredths of a radian to degrees (78 -> 44, -1 -> 0).
constexpr int wire_to_degrees(int wire) { return static_cast<int>(std::int64_t{wire} * 180 / 314); }

}  // namespace tevrak::drive
