#include "config/device_lines.h"

#include <algorithm>

namespace tevrak::hdt {
namespace {

// Copies text into a record's name field, cut at the field's size and at a
// NUL byte, always terminated.
void copy_name(char (&field)[kNameLength], std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), kNameLength - 1));
    std::copy(text.begin(), text.end(), field);  // a missing field has no data at all
    field[text.size()] = '\0';
}

// Reads the TABLE lines and the device lines of one key; parse_device fills
// a record from its line and returns the table name it asks for.
template <typename Record, typename ParseDevice>
std::unique_ptr<DeviceList<Record>> read(LineReader &file, std::string_view key, ParseDevice parse_device) {
    auto list = std::make_unique<DeviceList<Record>>();
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
            const Fields fields(line);
            copy_name(record.name, fields.text(2));
            wanted.emplace_back(parse_device(record, fields));
        }
    }
    for (std::size_t i = 0; i < list->records.size(); ++i) {
        Record &record = list->records[i];
        record.next = i + 1 < list->records.size() ? &list->records[i + 1] : nullptr;
        copy_name(record.tabname, wanted[i]);
        auto found = list->tables.find(wanted[i]);
        if (wanted[i] != "-" && found != list->tables.end()) {
            NamedTable &named = found->second;
            named.table.size = static_cast<std::int32_t>(named.entries.size());
            named.table.data = named.entries.data();
            record.table = &named.table;
        }
    }
    return list;
}

std::string_view plain_device(Device &, const Fields &fields) { return fields.text(3); }

}  // namespace

std::unique_ptr<DeviceList<Servo>> read_servos(LineReader &file) {
    return read<Servo>(file, "SERVO", [](Servo &record, const Fields &fields) {
        record.low = fields.number(3);
        record.high = fields.number(4);
        return fields.text(5);
    });
}

std::unique_ptr<DeviceList<Device>> read_motors(LineReader &file) { return read<Device>(file, "MOTOR", plain_device); }

std::unique_ptr<DeviceList<Device>> read_sensors(LineReader &file) { return read<Device>(file, "PSD", plain_device); }

}  // namespace tevrak::hdt
