#include "remote/commands.h"

#include <cstdlib>

#include "remote/state.h"

namespace tevrak::rcin {

void run_in_shell(const char *command) {
    // The daemon scripts' outcome is deliberately ignored.
    const int status = std::system(command);
    static_cast<void>(status);
}

int write_shell_word(std::string_view text, std::span<char> out) {
    constexpr std::string_view kLiteral = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,:@%=";
    const bool plain = !text.empty() && text.find_first_not_of(kLiteral) == std::string_view::npos;
    std::size_t length = 0;
    const auto put = [&](std::string_view part) {
        if (length + part.size() < out.size()) part.copy(out.data() + length, part.size());
        length += part.size();
    };
    if (plain) {
        put(text);
    } else {
        put("'");
        for (const char c : text) put(c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1));
        put("'");
    }
    if (length >= out.size()) return -1;
    out[length] = '\0';
    return static_cast<int>(length);
}

void run_command(const char *command) { state.runner(command); }

CommandRunner set_command_runner(CommandRunner runner) {
    const CommandRunner previous = state.runner;
    state.runner = runner != nullptr ? runner : run_in_shell;
    return previous;
}

}  // namespace tevrak::rcin
