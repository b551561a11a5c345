#include "remote/commands.h"

#include <cstdlib>

#include "remote/state.h"

namespace tevrak::rcin {

void run_in_shell(const char *command) {
    // The daemon scripts' outcome is deliberately ignored.
    const int status = std::system(command);
    static_cast<void>(status);
}

void run_command(const char *command) { state.runner(command); }

CommandRunner set_command_runner(CommandRunner runner) {
    const CommandRunner previous = state.runner;
    state.runner = runner != nullptr ? runner : run_in_shell;
    return previous;
}

}  // namespace tevrak::rcin
