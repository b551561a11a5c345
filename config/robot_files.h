// Whether a file of the robot folder may be used: the library runs
// bin/usbSearch and reads bin/hdt.txt as whoever runs the robot program, so
// neither the file nor a folder above it up to the robot folder may be open
// to another user (as ssh checks ~/.ssh). Links are followed: a link in
// bin/ to an installed program (root's, not writable by others) is sound.
#pragma once

#include <string>

namespace tevrak::config {

// Empty when path and the folders above it, up to the robot folder
// (paths::home(); only path's own folder when path lies outside it), are
// owned by this process's user or root and writable by neither group nor
// others; else a one-line message that names the path and the fix. A path
// that does not exist is no problem here: its reader reports it.
std::string robot_file_problem(const char *path);

// robot_file_problem(), with its message written to standard error: 0 when
// the file may be used, else EPERM.
int refuse_unsafe_robot_file(const char *path);

}  // namespace tevrak::config
