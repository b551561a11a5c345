// Device records built by the device loader from hdt.txt. Servo, motor and
// distance-sensor numbers count from 1: device n is the record reached from
// the head by following next n - 1 times. The records and their tables belong
// to the loader; the units never release them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tevrak::hdt {

inline constexpr std::size_t kNameLength = 32;

// Calibration table: size entries (0: no table).
struct Table {
    std::int32_t size;
    std::int32_t *data;
};

// Motor and distance-sensor record.
struct Device {
    Device *next;
    char name[kNameLength];  // identification data, not read by the units
    char tabname[kNameLength];
    Table *table;
};

// Servo record: the device fields, then the position limits.
struct Servo {
    Servo *next;
    char name[kNameLength];
    char tabname[kNameLength];
    Table *table;
    std::int32_t low;
    std::int32_t high;
};

static_assert(offsetof(Device, next) == 0 && offsetof(Servo, next) == 0);
static_assert(offsetof(Servo, table) == offsetof(Device, table));
static_assert(offsetof(Servo, low) > offsetof(Servo, table) && offsetof(Servo, high) > offsetof(Servo, low));

// Device n of a list (n <= 1: the head); nullptr when the list is shorter.
template <typename Record>
Record *nth(Record *head, int n) {
    Record *record = head;
    for (int i = 1; i < n && record != nullptr; ++i) record = record->next;
    return record;
}

// How many records the list holds.
template <typename Record>
int count(const Record *head) {
    int n = 0;
    for (; head != nullptr; head = head->next) ++n;
    return n;
}

// The record's table when it has entries, else nullptr.
template <typename Record>
const Table *table_of(const Record *record) {
    if (record == nullptr || record->table == nullptr) return nullptr;
    if (record->table->size <= 0 || record->table->data == nullptr) return nullptr;
    return record->table;
}

}  // namespace tevrak::hdt
