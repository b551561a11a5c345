// tevrak-teleop: drive the robot by hand with keys, a gamepad or the IR
// remote. The robot stops on every way out: q, Ctrl-C, SIGTERM, SIGHUP, the
// end of an input; a speed is sent at a steady rate only while it is not
// zero, and the library's stop on death covers the tool's own death.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <tevrak/tevrak.hpp>

#include "tools/teleop/inputs.h"
#include "tools/teleop/measure_keys.h"
#include "tools/teleop/options.h"
#include "tools/teleop/teleop.h"
#include "tools/teleop/terminal_keys.h"

namespace {

using namespace tevrak::teleop;

bool wants(const Options &options, InputKind kind) {
    for (const auto input : options.inputs) {
        if (input == kind) return true;
    }
    return false;
}

int fail(const std::string &message) {
    std::fprintf(stderr, "tevrak-teleop: %s\n", message.c_str());
    return 1;
}

// Adds the inputs the options name; false (with the message written) when
// one cannot be had.
bool add_inputs(Teleop &teleop, const Options &options) {
    const bool keys = wants(options, InputKind::keys);
    // The terminal always gives q and Ctrl-C; it drives when keys are asked
    // for, helped by the keyboard's device where that can be read.
    if (keys || ::isatty(STDIN_FILENO)) {
        auto terminal = std::make_unique<TerminalKeys>(STDIN_FILENO, options.limits, options.lease, keys);
        std::string note;
        auto keyboards =
            keys && options.evdev ? make_keyboards(options, *terminal, note) : std::vector<std::unique_ptr<Input>>{};
        if (!note.empty()) std::fprintf(stderr, "tevrak-teleop: %s\n", note.c_str());
        teleop.add(std::move(terminal));
        for (auto &keyboard : keyboards) teleop.add(std::move(keyboard));
    }
    std::string error;
    if (wants(options, InputKind::pad)) {
        auto pad = make_pad(options, error);
        if (!pad) return fail(error), false;
        teleop.add(std::move(pad));
    }
    if (wants(options, InputKind::ir)) {
        auto ir = make_ir(options, error);
        if (!ir) return fail(error), false;
        teleop.add(std::move(ir));
    }
    return true;
}

std::string how_to_drive(const Options &options) {
    std::string text;
    if (wants(options, InputKind::keys)) text += "arrows or WASD step the speed, space stops; ";
    if (wants(options, InputKind::pad)) text += "the left stick drives while " + options.deadman + " is held; ";
    if (wants(options, InputKind::ir)) text += "the remote's arrows drive, OK stops; ";
    return text + "q or Ctrl-C quits";
}

}  // namespace

int main(int argc, char **argv) {
    std::string error;
    const auto options = parse_options(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tevrak-teleop: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options->list_pads) return list_pads(*options);
    if (options->measure_keys) return measure_keys(STDIN_FILENO);

    LoopSettings settings;
    settings.limits = options->limits;
    settings.send_period = std::chrono::milliseconds(1000 / options->rate);
    settings.status_in_place = ::isatty(STDOUT_FILENO) != 0;
    Teleop teleop(settings);
    // Before any input starts a thread: they all inherit the blocked signals.
    teleop.take_signals();
    try {
        if (!add_inputs(teleop, *options)) return 1;
        std::fprintf(stderr, "tevrak-teleop: %s\n", how_to_drive(*options).c_str());
        const Ending ending = teleop.run();
        std::fprintf(stderr, "tevrak-teleop: robot stopped (%s)\n", ending.reason.c_str());
        return ending.exit_status;
    } catch (const tevrak::Error &failure) {
        return fail(failure.what());
    }
}
