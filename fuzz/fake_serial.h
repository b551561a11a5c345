// A serial link for the fuzz targets: the "board" is the fuzz input. The
// device units and the command routine link against these functions instead
// of the real serial link, so every reply byte comes from the input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tevrak::fuzz {

// Installs the bytes the board sends. Meaning of the bytes, in the order the
// library asks for them:
//   a link check takes one byte: 0 fails it, anything else passes;
//   a received byte is taken as it is, except 0xEE 0x00, which is a read that
//   brought nothing (0xEE followed by anything else is 0xEE itself);
//   once the input is used up every check fails and every read brings nothing.
void set_board_bytes(const std::uint8_t *data, std::size_t size);

// Takes one byte for the caller's own choices; 0 when the input is used up.
std::uint8_t take_choice();
bool exhausted();

}  // namespace tevrak::fuzz
