// The drive's lines of the hardware description file:
//   ENCODER <number> <value>                 only encoder 1 counts
//   DRIVE <first> <second> <flag1> <flag2>
//   KINEMA <k1> <k2> <k3> <k4>
// A value whose line or field is missing reads as 0; the last line wins.
#pragma once

#include <array>

#include "config/hdt_file.h"
#include "protocol/frame.h"

namespace tevrak::drive {

struct DriveSettings {
    int encoder = 0;  // encoder value of encoder 1
    int drive_first = 0;
    int drive_second = 0;
    int flag_code = 4;                // flag-pair code of two flags that are both 0
    std::array<int, 4> controller{};  // KINEMA values, in file order
};

// One byte from 1 to 4: twice the first flag's bit plus the second's, with 4
// in place of 0. A flag is set when it is non-zero.
constexpr int flag_pair_code(int first_flag, int second_flag) {
    const int code = (first_flag != 0 ? 2 : 0) + (second_flag != 0 ? 1 : 0);
    return code == 0 ? 4 : code;
}

// Reads every line of the file and keeps the drive's values.
DriveSettings read_drive_settings(hdt::LineReader &reader);

// The 8-byte drive set-up frame: F7, encoder, first and second drive value
// (words), flag-pair code.
protocol::Frame setup_frame(const DriveSettings &settings);

}  // namespace tevrak::drive
