#include "tools/teleop/inputs.h"
#include "tools/teleop/ir_remote.h"

namespace tevrak::teleop {

std::unique_ptr<Input> make_ir(const Options &options, std::string &error) {
    try {
        return std::make_unique<IrRemote>(options.limits);
    } catch (const tevrak::Error &failure) {
        error = std::string("the IR remote cannot be read: ") + failure.what();
        return nullptr;
    }
}

}  // namespace tevrak::teleop
