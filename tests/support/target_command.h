// The command line that starts one of the project's own programs. In a cross
// build the programs are the target's: they run through the emulator the
// build was configured with (no binfmt registration is assumed).
#pragma once

#include <string>
#include <vector>

namespace tevrak::test {

// {emulator..., program, args...} when cross-built, else {program, args...}.
// The first word is always an absolute path (for execv and posix_spawn).
std::vector<std::string> target_command(const std::string &program, std::vector<std::string> args = {});

// Whether the project's programs run under an emulator (a cross build).
bool under_emulator();

// Pointers into command for exec, ending with nullptr.
std::vector<char *> exec_argv(std::vector<std::string> &command);

}  // namespace tevrak::test
