// Fixed locations of the robot's files. Every unit asks here, never builds a
// path of its own. The root starts as the environment's TEVRAK_HOME when it is
// set and usable, else the build-time TEVRAK_HOME; tests move it to a private
// folder through set_home().
#pragma once

#include <string_view>

namespace tevrak::paths {

// "<home>/bin/hdt.txt": the hardware description file.
const char *hdt_file();
// "<home>/bin/usbSearch": the device listing command.
const char *usb_search();
// "<home>/bin/ir/": folder of the numbered remote-control configurations.
const char *ir_config_dir();
// The root folder itself, without a trailing slash.
const char *home();
// "<home>/tap.sock": where a listener to the library's tap waits.
const char *tap_socket();
// Counts the moves of the root: a user of a path who kept something opened
// there notices a move by a changed count.
unsigned home_generation();

// The serial device interface 1 opens when no USB line gives it a path:
// "/dev/ttyACM0".
const char *default_port();

// Where the root came from, for the hints of a failed start-up.
enum class Origin {
    built_in,     // the build's default folder
    environment,  // TEVRAK_HOME
    program,      // set_home / HDTSetHome
};
Origin home_origin();

// Internal seam: moves every path under another root (used by tests and by
// the simulator's generated set-ups); programs reach it through HDTSetHome
// (tevrak/home.h). origin: what the hints name as the root's source.
void set_home(std::string_view root, Origin origin = Origin::program);

// Internal seam: another default port (tests point it into their private
// robot folder, so that none of them ever opens a real serial device).
void set_default_port(std::string_view path);

}  // namespace tevrak::paths
