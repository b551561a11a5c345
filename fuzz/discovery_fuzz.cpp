// Port discovery on arbitrary hdt.txt text and device listings.
// Input: <hdt.txt text> 0x01 <listing text>.
#include <cstdio>
#include <cstring>

#include "fuzz_input.h"
#include "serial/serial_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    namespace serial = tevrak::serial;
    const auto [hdt_text, listing_text] = tevrak::fuzz::split_once(tevrak::fuzz::as_text(data, size));
    // The listing reaches discovery as a NUL-terminated copy of at most 1199 characters.
    char listing[serial::kListingBuffer];
    const std::size_t length = strnlen(listing_text.data(), std::min(listing_text.size(), sizeof listing - 1));
    std::memcpy(listing, listing_text.data(), length);
    listing[length] = '\0';

    tevrak::fuzz::MemoryFile file(hdt_text);
    tevrak::hdt::LineReader reader(file.get());
    serial::read_usb_lines(reader, listing);
    for (int interface = 1; interface <= serial::kInterfaces; ++interface) {
        const char *slot = serial::path_slot(interface);
        // Every stored path fits the open's working copy whole.
        if (strnlen(slot, serial::kPathSlot) >= serial::kPathCopy) __builtin_trap();
    }
    return 0;
}
