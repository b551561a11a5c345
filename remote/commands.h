// The shell commands that stop, reconfigure and restart the infrared daemon.
// Every one of them goes through run_command, so tests can record them
// instead of running them.
#pragma once

#include <span>
#include <string_view>

namespace tevrak::rcin {

inline constexpr char kStopCommand[] = "sudo /etc/init.d/lirc stop";
inline constexpr char kCopyCommandFormat[] = "sudo cp %s /etc/lirc/lircd.conf";
inline constexpr char kRestartCommand[] = "sudo /etc/init.d/lirc restart";
// Appended to the configuration folder: "<ir dir><code>_lircd.conf".
inline constexpr char kConfigFileFormat[] = "%s%d_lircd.conf";

using CommandRunner = void (*)(const char *command);

// Writes text into out, terminated, as one word of a shell command: unchanged
// when every character is one the shell takes literally, else in single
// quotes (a quote inside becomes '\''). Returns its length, or -1 when out
// cannot hold it whole.
int write_shell_word(std::string_view text, std::span<char> out);

// Runs command through the shell; its exit status is not looked at.
void run_command(const char *command);

// Internal seam: replaces the runner (std::system by default) and returns the
// one in use before. Passing nullptr puts the default back.
CommandRunner set_command_runner(CommandRunner runner);

}  // namespace tevrak::rcin
