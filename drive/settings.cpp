#include "drive/settings.h"

#include <string_view>

namespace tevrak::drive {

DriveSettings read_drive_settings(hdt::LineReader &reader) {
    DriveSettings settings;
    std::string_view line;
    while (reader.next(line)) {
        // The keys differ in their first letter: a line serves at most one.
        // Fields are split only for a line of one of them.
        if (hdt::has_key(line, "ENCODER")) {
            const hdt::Fields fields(line);
            if (fields.number(2) == 1) settings.encoder = fields.number(3);
        } else if (hdt::has_key(line, "DRIVE")) {
            const hdt::Fields fields(line);
            settings.drive_first = fields.number(2);
            settings.drive_second = fields.number(3);
            settings.flag_code = flag_pair_code(fields.number(4), fields.number(5));
        } else if (hdt::has_key(line, "KINEMA")) {
            const hdt::Fields fields(line);
            for (std::size_t i = 0; i < settings.controller.size(); ++i) {
                settings.controller[i] = fields.number(i + 2);
            }
        }
    }
    return settings;
}

protocol::Frame setup_frame(const DriveSettings &settings) {
    return protocol::make_frame<protocol::op::DriveSetup>(settings.encoder, settings.drive_first, settings.drive_second,
                                                          settings.flag_code);
}

}  // namespace tevrak::drive
