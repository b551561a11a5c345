// The drive unit's lines of hdt.txt (ENCODER, DRIVE, KINEMA) on arbitrary text.
#include "drive/testing.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    tevrak::fuzz::MemoryFile file(tevrak::fuzz::as_text(data, size));
    tevrak::hdt::LineReader reader(file.get());
    const auto settings = tevrak::drive::read_drive_settings(reader);
    if (settings.flag_code < 1 || settings.flag_code > 4) __builtin_trap();
    const auto frame = tevrak::drive::setup_frame(settings);
    if (frame.bytes().size() != 8) __builtin_trap();
    return 0;
}
