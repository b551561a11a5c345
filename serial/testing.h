// What tests and tools may reach of the serial link: its state record and
// reset, and the pure parsing steps of port discovery.
#pragma once

#include "serial/discovery.h"
#include "serial/link_bytes.h"
#include "serial/state.h"
