// The keyboard's device where libevdev was not found at configure time
// (cross builds): the terminal's keys stop by their lease only.
#include "tools/teleop/inputs.h"

namespace tevrak::teleop {

std::vector<std::unique_ptr<Input>> make_keyboards(const Options &options, TerminalKeys &, std::string &note) {
    if (!options.keyboard.empty()) {
        note =
            "key release from " + options.keyboard + " is not available: this tevrak-teleop was built without libevdev";
    }
    return {};
}

}  // namespace tevrak::teleop
