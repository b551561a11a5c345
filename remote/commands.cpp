#include "remote/commands.h"

#include <cstdlib>

namespace tevrak::rcin {
namespace {

void run_in_shell(const char *command) {
    // The daemon scripts' outcome is deliberately ignored.
    const int status = std::system(command);
    static_cast<void>(status);
}

CommandRunner current_runner = run_in_shell;

}  // namespace

void run_command(const char *command) { current_runner(command); }

CommandRunner set_command_runner(CommandRunner runner) {
    const CommandRunner previous = current_runner;
    current_runner = runner != nullptr ? runner : run_in_shell;
    return previous;
}

}  // namespace tevrak::rcin
