#include "config/device_lines.h"

#include <algorithm>
#include <map>
#include <string>

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

// A TABLE line's name; false for any other line and for a TABLE line
// without a name. The name views the line; cursor is left at the entries.
bool table_name(std::string_view line, std::string_view &name, FieldCursor &cursor) {
    if (!has_key(line, "TABLE")) return false;
    std::string_view field;
    cursor.next(field);  // the key
    if (!cursor.next(field)) return false;
    name = field;
    return true;
}

// The entries of a TABLE line behind its name.
void table_entries(FieldCursor &cursor, std::vector<std::int32_t> &entries) {
    entries.clear();
    std::string_view field;
    while (cursor.next(field)) entries.push_back(to_int(field));
}

// Reads the TABLE lines and the device lines of one key; parse_device fills
// a record from its line and returns the table name it asks for.
template <typename Record, typename ParseDevice>
std::unique_ptr<DeviceList<Record>> read(LineReader &file, std::string_view key, ParseDevice parse_device) {
    auto list = std::make_unique<DeviceList<Record>>();
    std::vector<std::string> wanted;
    // The last TABLE line of each name, kept as text: only the tables the
    // records ask for are read into numbers, once, after the whole file.
    std::map<std::string, std::string, std::less<>> table_lines;
    std::string_view line;
    std::string_view name;
    while (file.next(line)) {
        if (FieldCursor cursor(line); table_name(line, name, cursor)) {
            auto found = table_lines.find(name);
            if (found == table_lines.end()) found = table_lines.emplace(std::string(name), std::string()).first;
            found->second.assign(line);
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
        if (wanted[i] == "-") continue;
        auto found = list->tables.find(wanted[i]);
        if (found == list->tables.end()) {
            const auto text = table_lines.find(wanted[i]);
            if (text == table_lines.end()) continue;
            FieldCursor cursor(text->second);
            table_name(text->second, name, cursor);
            found = list->tables.emplace(wanted[i], NamedTable{}).first;
            table_entries(cursor, found->second.entries);
        }
        NamedTable &named = found->second;
        named.table.size = static_cast<std::int32_t>(named.entries.size());
        named.table.data = named.entries.data();
        record.table = &named.table;
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
    std::string_view line;
    std::string_view line_name;
    while (file.next(line)) {
        FieldCursor cursor(line);
        if (table_name(line, line_name, cursor) && as_held(line_name) == name && name != "-") {
            if (!found) found.emplace();
            table_entries(cursor, *found);
        }
    }
    return found;
}

}  // namespace tevrak::hdt
