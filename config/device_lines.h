// The device loader's line format in the hardware description file:
//   SERVO <name> <low limit> <high limit> <table name>
//   MOTOR <name> <table name>
//   PSD <name> <table name>
//   TABLE <table name> <entry 1> <entry 2> ... <entry N>
// A table name of "-", a missing one, or one without a TABLE line means no
// table; of several TABLE lines with one name the last counts. Devices are
// numbered from 1 in file order. Names longer than a record's field are cut.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/devices.h"
#include "config/hdt_file.h"

namespace tevrak::hdt {

struct NamedTable {
    std::vector<std::int32_t> entries;
    Table table{};
};

// Everything one read of one kind of device built: the records, linked in
// file order, and the tables they point into.
template <typename Record>
struct DeviceList {
    std::deque<Record> records;
    std::map<std::string, NamedTable, std::less<>> tables;
    // The first record; nullptr for a file without devices of the kind.
    Record *head() { return records.empty() ? nullptr : &records.front(); }
};

std::unique_ptr<DeviceList<Servo>> read_servos(LineReader &file);
std::unique_ptr<DeviceList<Device>> read_motors(LineReader &file);
std::unique_ptr<DeviceList<Device>> read_sensors(LineReader &file);

// The entries of the table called name as a record's tabname holds it (cut
// like the names), by the rules above: the last TABLE line of that name
// counts; nothing for "-" or a name without TABLE line.
std::optional<std::vector<std::int32_t>> read_table(LineReader &file, std::string_view name);

}  // namespace tevrak::hdt
