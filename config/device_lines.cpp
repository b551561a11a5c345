#include "config/device_lines.h"

#include <algorithm>

namespace tevrak::hdt {
namespace {

// What of text a record's name field holds: text cut at the field's size
// and at a NUL byte.
std::string_view as_held(std::string_view text) { return text.substr(0, std::min(text.find('\0'), kNameLength - 1)); }

// Copies text into a record's name field as it holds it, always terminated.
void copy_name(char (&field)[kNameLength], std::string_view text) {
    text = as_held(text);
    std::copy(text.begin(), text.end(), field);  // a missing field has no data at all
    field[text.size()] = '\0';
}

// A TABLE line's name and entries; false for any other line and for a TABLE
// line without a name. The name views the line.
bool table_line(std::string_view line, std::string_view &name, std::vector<std::int32_t> &entries) {
    if (!has_key(line, "TABLE")) return false;
    FieldCursor cursor(line);
    std::string_view field;
    cursor.next(field);  // the key
    if (!cursor.next(field)) return false;
    name = field;
    entries.clear();
    while (cursor.next(field)) entries.push_back(to_int(field));
    return true;
}

// Reads the TABLE lines and the device lines of one key; parse_device fills
// a record from its line and returns the table name it asks for.
template <typename Record, typename ParseDevice>
std::unique_ptr<DeviceList<Record>> read(LineReader &file, std::string_view key, ParseDevice parse_device) {
    auto list = std::make_unique<DeviceList<Record>>();
    std::vector<std::string> wanted;
    std::vector<std::int32_t> entries;
    std::string_view line;
    std::string_view name;
    while (file.next(line)) {
        if (table_line(line, name, entries)) {
            list->tables[std::string(name)].entries.swap(entries);
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

std::optional<std::vector<std::int32_t>> read_table(LineReader &file, std::string_view name) {
    std::optional<std::vector<std::int32_t>> found;
    std::vector<std::int32_t> entries;
    std::string_view line;
    std::string_view line_name;
    while (file.next(line)) {
        if (table_line(line, line_name, entries) && as_held(line_name) == name && name != "-") found = entries;
    }
    return found;
}

}  // namespace tevrak::hdt
