// The infrared daemon's event lines at their fixed offsets. The line is
// copied into a buffer of exactly its length, so any read past its end
// is caught by AddressSanitizer.
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "remote/testing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), data, size);
    const auto event = tevrak::rcin::parse_event(std::string_view(copy.get(), size));
    // The repeat count is whatever "%x" makes of two characters ("-d" is -13);
    // only the key code has a fixed range.
    if (event && (event->key < 0 || event->key > 255)) __builtin_trap();
    return 0;
}
