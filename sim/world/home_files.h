// The robot folder the simulator prepares, so that a program built with
// TEVRAK_HOME=<home> finds the simulated board through the normal discovery:
//   <home>/bin/hdt.txt    a complete default robot (see default_hdt_text)
//   <home>/bin/usbSearch  a listing whose "board" entry points at the link
//   <home>/dev/           the board's link ttyBOARD (made by the board)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/world/world.h"

namespace tevrak::sim {

// The hdt.txt of the default robot: the board on interface 1, the drive
// set-up values of DriveSetup, controller gains, two servos, two motors and
// one distance sensor per direction with the rangers' calibration table.
std::string default_hdt_text(const DriveSetup &setup, int sensor_count);

// The listing line of the board: "usb-Tevrak_board_sim-if00:<link>".
std::string listing_line(const std::string &link_path);

// Makes bin/ in the robot folder (open as home_fd, at the path home) and
// writes bin/usbSearch and, unless keep_hdt is set and one exists,
// bin/hdt.txt, each relative to the folder's descriptor. Returns an error
// text, empty on success.
std::string prepare_home(int home_fd, const std::string &home, const std::string &link_path, int sensor_count,
                         bool keep_hdt);

// replace_file_at (home_folder.h) in the folder of path, for a file the
// user named (--svg).
bool replace_file(const std::string &path, std::string_view text, unsigned mode);

// An error text when the folder cannot serve as a robot home (the
// discovery splits its listing at ':' and newlines), empty when it can.
std::string check_home_path(const std::string &home);

}  // namespace tevrak::sim
