// What tests and tools may reach of the serial link: its state record and
// reset, the pure parsing steps of port discovery and the link check with
// its figures.
#pragma once

#include "serial/discovery.h"
#include "serial/link_bytes.h"
#include "serial/link_check.h"
#include "serial/state.h"
