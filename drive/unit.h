// The drive as the layers above it see it: its entry for the command
// routine (tag, flag, start-up, timeout message). The C++ layer reaches the
// drive only through this, drive/outcomes.h and the public header.
#pragma once

#include "protocol/command.h"

namespace tevrak::drive {

extern const protocol::Unit kUnit;

}  // namespace tevrak::drive
