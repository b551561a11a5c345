#include "hdt_loader.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os.h"
#include "protocol/hdt_file.h"

namespace tevrak::hdt {
namespace {

struct NamedTable {
    std::vector<std::int32_t> entries;
    Table table{};
};

// Everything one load of one kind returned.
template <typename Record>
struct LoadedList {
    std::deque<Record> records;
    std::map<std::string, NamedTable, std::less<>> tables;
};

// Reads the TABLE lines and the device lines of one key; parse_device fills
// a record from its line and returns the table name it asks for.
template <typename Record, typename ParseDevice>
Record *load(LineReader &file, std::string_view key, std::unique_ptr<LoadedList<Record>> &slot,
             ParseDevice parse_device) {
    auto list = std::make_unique<LoadedList<Record>>();
    std::vector<std::string> wanted;
    std::string_view line;
    while (file.next(line)) {
        if (has_key(line, "TABLE")) {
            FieldCursor cursor(line);
            std::string_view field;
            cursor.next(field);  // the key
            if (!cursor.next(field)) continue;
            NamedTable &named = list->tables[std::string(field)];
            named.entries.clear();
            while (cursor.next(field)) named.entries.push_back(to_int(field));
        } else if (has_key(line, key)) {
            Record &record = list->records.emplace_back();
            wanted.emplace_back(parse_device(record, Fields(line)));
        }
    }
    for (std::size_t i = 0; i < list->records.size(); ++i) {
        Record &record = list->records[i];
        record.next = i + 1 < list->records.size() ? &list->records[i + 1] : nullptr;
        OSStrcpy_n(record.tabname, wanted[i].c_str(), static_cast<int>(kNameLength));
        auto found = list->tables.find(wanted[i]);
        if (wanted[i] != "-" && found != list->tables.end()) {
            NamedTable &named = found->second;
            named.table.size = static_cast<std::int32_t>(named.entries.size());
            named.table.data = named.entries.data();
            record.table = &named.table;
        }
    }
    Record *head = list->records.empty() ? nullptr : &list->records.front();
    slot = std::move(list);
    return head;
}

std::unique_ptr<LoadedList<Servo>> servos;
std::unique_ptr<LoadedList<Device>> motors;
std::unique_ptr<LoadedList<Device>> sensors;

// Sets table to the record's table when the record belongs to list.
template <typename Record>
bool find_table(const LoadedList<Record> *list, const void *record, Table *&table) {
    if (list == nullptr) return false;
    for (const Record &candidate : list->records) {
        if (&candidate == record) {
            table = candidate.table;
            return true;
        }
    }
    return false;
}

std::string plain_device(Device &record, const Fields &fields) {
    OSStrcpy_n(record.name, std::string(fields.text(2)).c_str(), static_cast<int>(kNameLength));
    return std::string(fields.text(3));
}

}  // namespace

Servo *load_servos(LineReader &file) {
    return load<Servo>(file, "SERVO", servos, [](Servo &record, const Fields &fields) {
        OSStrcpy_n(record.name, std::string(fields.text(2)).c_str(), static_cast<int>(kNameLength));
        record.low = fields.number(3);
        record.high = fields.number(4);
        return std::string(fields.text(5));
    });
}

Device *load_motors(LineReader &file) { return load<Device>(file, "MOTOR", motors, plain_device); }

Device *load_sensors(LineReader &file) { return load<Device>(file, "PSD", sensors, plain_device); }

}  // namespace tevrak::hdt

using namespace tevrak::hdt;

Servo *HDTLoadSERVO(const char *path, int) {
    LineReader file(path);
    return load_servos(file);
}

Device *HDTLoadMOTOR(const char *path, int) {
    LineReader file(path);
    return load_motors(file);
}

Device *HDTLoadPSD(const char *path, int) {
    LineReader file(path);
    return load_sensors(file);
}

Table *HDTLoadTable(const char *, const void *record) {
    Table *table = nullptr;
    if (record == nullptr) return nullptr;
    if (find_table(servos.get(), record, table) || find_table(motors.get(), record, table)) return table;
    find_table(sensors.get(), record, table);
    return table;
}
