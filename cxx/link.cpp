#include "cxx/link.h"

#include "tevrak/tevrak.hpp"

namespace tevrak::cxx {

void throw_link_error(const LinkUnit &unit, const CCall &call, int code) {
    throw LinkError(unit.name, call.function, code, "the board did not answer");
}

void ensure_started(const LinkUnit &unit, const CCall &call) {
    if (*unit.initialised != 0) return;
    switch (unit.start()) {
    case protocol::Outcome::ok:
        return;
    case protocol::Outcome::startup_failed:
        throw StartupError(unit.name, call.function, call.startup_code, "the unit could not start");
    default:
        throw_link_error(unit, call, call.startup_code);
    }
}

}  // namespace tevrak::cxx
