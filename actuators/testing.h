// What tests and tools may reach of the unit: its state record and reset.
#pragma once

#include "actuators/state.h"
