// The checks of tevrak-doctor, in the order a program meets the set-up.
// Each adds its lines to the report and what later checks need to the
// context; a check whose ground failed says it was not run.
#pragma once

#include <string>
#include <vector>

#include "report.h"

namespace tevrak::doctor {

inline constexpr const char *kVersion = TEVRAK_VERSION;

struct Context {
    bool home_ok = false;      // the robot folder exists
    bool listing_safe = true;  // no one but its owner or root may change bin/usbSearch
    bool hdt_ok = false;       // hdt.txt could be read
    bool usb_ok = false;       // usbSearch ran and discovery chose a port
    bool port_ok = false;      // the port can be opened by this user
    bool board_ok = false;     // the board answered the link check
    bool drive_started = false;
    std::string port;           // interface 1's device
    bool has_drive = false;     // hdt.txt has DRIVE, ENCODER or KINEMA lines
    std::vector<int> encoders;  // encoder numbers to query
    int sensors = 0;            // PSD lines
    std::string actuators;      // the servos and motors hdt.txt describes
};

void check_home(Report &report, Context &context);
void check_hdt(Report &report, Context &context);
void check_usb(Report &report, Context &context);
void check_port(Report &report, Context &context);
void check_board(Report &report, Context &context);
// tevrak-doctor --link: cycles against single calls on this board.
void check_cycles(Report &report, Context &context);
void check_lircd(Report &report);
void check_python(Report &report);

}  // namespace tevrak::doctor
