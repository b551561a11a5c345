// The pad where SDL2 was not found at configure time (cross builds).
#include "tools/teleop/inputs.h"

#include <cstdio>

namespace tevrak::teleop {

namespace {
constexpr const char *kMissing = "the pad input is not available: this tevrak-teleop was built without SDL2";
}

std::unique_ptr<Input> make_pad(const Options &, std::string &error) {
    error = kMissing;
    return nullptr;
}

int list_pads(const Options &) {
    std::fprintf(stderr, "tevrak-teleop: %s\n", kMissing);
    return 1;
}

}  // namespace tevrak::teleop
