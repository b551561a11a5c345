// Choosing the robot folder while a program runs (the Python module's
// tevrak.set_home): unlike tevrak::set_home, which counts only before the
// first use of a unit, this one forgets the robot the library knew.
#pragma once

#include <filesystem>

namespace tevrak::cxx {

// Makes robot_folder the robot folder, closes the board's port when it is
// open (never opening one), lets go of the remote's daemon, clears the
// discovered device paths and the units' started flags, so that every unit
// starts afresh below the new folder on its next call. Holds both locks
// throughout: no command sees half of the change. Throws tevrak::Error
// (unit "HDT") for an empty or too long folder, leaving everything as it was.
void move_home(const std::filesystem::path &robot_folder);

}  // namespace tevrak::cxx
