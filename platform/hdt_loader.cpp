#include "platform/hdt_loader.h"

#include <algorithm>
#include <map>
#include <memory>

#include "config/device_lines.h"

namespace tevrak::hdt {
namespace {

// The newest list of one kind and the tables read for its records.
template <typename Record>
struct Loaded {
    std::unique_ptr<DeviceList<Record>> list;
    std::map<const Record *, NamedTable> read_tables;

    // The record of this list at address, or nullptr.
    const Record *find(const void *address) const {
        if (list == nullptr) return nullptr;
        auto found = std::find_if(list->records.begin(), list->records.end(),
                                  [address](const Record &held) { return &held == address; });
        return found != list->records.end() ? &*found : nullptr;
    }
};

Loaded<Servo> servos;
Loaded<Device> motors;
Loaded<Device> sensors;

template <typename Record>
Record *load_list(const char *path, std::unique_ptr<DeviceList<Record>> (*read)(LineReader &), Loaded<Record> &slot) {
    LineReader file(path);
    slot.read_tables.clear();
    slot.list = read(file);
    return slot.list->head();
}

template <typename Record>
Table *load_table(const char *path, const Record *record, Loaded<Record> &slot) {
    LineReader file(path);
    auto entries = read_table(file, record->tabname);
    if (!entries) return nullptr;
    NamedTable &named = slot.read_tables[record];
    named.entries = std::move(*entries);
    named.table.size = static_cast<std::int32_t>(named.entries.size());
    named.table.data = named.entries.data();
    return &named.table;
}

}  // namespace
}  // namespace tevrak::hdt

using namespace tevrak::hdt;

Servo *HDTLoadSERVO(const char *path, int) { return load_list(path, read_servos, servos); }

Device *HDTLoadMOTOR(const char *path, int) { return load_list(path, read_motors, motors); }

Device *HDTLoadPSD(const char *path, int) { return load_list(path, read_sensors, sensors); }

Table *HDTLoadTable(const char *path, const void *record) {
    if (record == nullptr) return nullptr;
    if (const Servo *servo = servos.find(record)) return load_table(path, servo, servos);
    if (const Device *motor = motors.find(record)) return load_table(path, motor, motors);
    if (const Device *sensor = sensors.find(record)) return load_table(path, sensor, sensors);
    return nullptr;
}
