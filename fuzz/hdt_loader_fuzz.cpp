// The device loader's lines (SERVO, MOTOR, PSD, TABLE) on arbitrary text.
#include <cstring>

#include "config/device_lines.h"
#include "fuzz_input.h"

namespace {

template <typename Record>
void walk(Record *head) {
    for (Record *record = head; record != nullptr; record = record->next) {
        if (strnlen(record->name, tevrak::hdt::kNameLength) >= tevrak::hdt::kNameLength) __builtin_trap();
        if (const tevrak::hdt::Table *table = tevrak::hdt::table_of(record)) {
            volatile std::int32_t sum = 0;
            for (std::int32_t i = 0; i < table->size; ++i) sum = sum + (table->data[i] & 1);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto text = tevrak::fuzz::as_text(data, size);
    {
        tevrak::fuzz::MemoryFile file(text);
        tevrak::hdt::LineReader reader(file.get());
        walk(tevrak::hdt::read_servos(reader)->head());
    }
    {
        tevrak::fuzz::MemoryFile file(text);
        tevrak::hdt::LineReader reader(file.get());
        walk(tevrak::hdt::read_motors(reader)->head());
    }
    {
        tevrak::fuzz::MemoryFile file(text);
        tevrak::hdt::LineReader reader(file.get());
        walk(tevrak::hdt::read_sensors(reader)->head());
    }
    return 0;
}
