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

// Creates <home>/bin and <home>/dev, writes bin/usbSearch and, unless
// keep_hdt is set and one exists, bin/hdt.txt. Returns an error text, empty
// on success.
std::string prepare_home(const std::string &home, const std::string &link_path, int sensor_count,
                         bool keep_hdt);

// Writes text to a fresh file beside path (made with mkstemp: never through
// a link or into a file that was there), sets its mode on the open file, and
// renames it to path: a link at path gives way, and what it pointed to stays
// as it was. False when any step fails.
bool replace_file(const std::string &path, std::string_view text, unsigned mode);

// Run as root, tevrak-sim writes in the robot folder only as the folder's
// owner: when the folder (or the nearest one above it that exists, or the
// one above that) belongs to another user, returns an error text unless
// as_owner is set; then the process becomes that user (groups, group, user;
// checked that it cannot go back) and returns empty, or an error text when
// it cannot. Returns empty at once when not run as root.
std::string take_home_owner(const std::string &home, bool as_owner);

// An error text when the folder cannot serve as a robot home (the
// discovery splits its listing at ':' and newlines), empty when it can.
std::string check_home_path(const std::string &home);

}  // namespace tevrak::sim
