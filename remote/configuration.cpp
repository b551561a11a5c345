// Remote configuration number, hold delay, and switching the daemon to
// another numbered configuration.
#include <array>
#include <cstdio>

#include "protocol/paths.h"
#include "remote/commands.h"
#include "remote/rcin_state.h"
#include "tevrak/rcin.h"

namespace rcin = tevrak::rcin;

extern "C" void RCINSetControllerCode(int code) {
    rcin::lazy_start();
    rcin::controllerCode = code;
}

extern "C" int RCINGetControllerCode(void) {
    rcin::lazy_start();
    return rcin::controllerCode;
}

extern "C" void RCINSetHoldDelay(int delay) {
    rcin::lazy_start();
    rcin::holdDelay = delay;
}

extern "C" int RCINRestart(int code) {
    std::array<char, 200> path{};
    const int path_length =
        std::snprintf(path.data(), path.size(), rcin::kConfigFileFormat, tevrak::paths::ir_config_dir(), code);
    const bool path_fits = path_length >= 0 && static_cast<std::size_t>(path_length) < path.size();
    // The path goes to the shell as one word, so that a folder name holding
    // a blank, a quote or a ';' can neither break the copy nor run anything.
    std::array<char, 200> word{};
    const int word_length = path_fits ? rcin::write_shell_word(path.data(), word) : -1;
    std::array<char, 200> copy{};
    const int copy_length =
        word_length >= 0 ? std::snprintf(copy.data(), copy.size(), rcin::kCopyCommandFormat, word.data()) : -1;
    // A path or command cut at its buffer would name another file: such a
    // copy is not run (only with a configuration folder of over 150
    // characters; the default one leaves the command at 74 at most).
    const bool fits = copy_length >= 0 && static_cast<std::size_t>(copy_length) < copy.size();
    if (fits) rcin::run_command(copy.data());
    rcin::run_command(rcin::kRestartCommand);
    // Recorded whether or not the copy worked: the commands report nothing.
    rcin::controllerCode = code;
    return 0;
}
