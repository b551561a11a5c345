#include "config/startup_failure.h"

#include <cstring>

namespace tevrak::config {
namespace {

StartupFailure last;

}  // namespace

const StartupFailure &startup_failure() { return last; }

void clear_startup_failure() { last = StartupFailure{}; }

void note_startup_failure(StartupFailure::What what, const char *path, int error, const char *holder) {
    // The first failure is the cause: a port left without a path because
    // hdt.txt could not be read fails only after it.
    if (last.what != StartupFailure::What::nothing) return;
    last.what = what;
    std::strncpy(last.path, path != nullptr ? path : "", sizeof last.path - 1);
    last.path[sizeof last.path - 1] = '\0';
    last.error = error;
    std::strncpy(last.holder, holder != nullptr ? holder : "", sizeof last.holder - 1);
    last.holder[sizeof last.holder - 1] = '\0';
}

}  // namespace tevrak::config
