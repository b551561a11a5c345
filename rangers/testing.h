// What tests and tools may reach of the unit: its state record and reset.
#pragma once

#include "rangers/state.h"
