// Process-wide state of the distance-sensor unit: one record, one reset.
#pragma once

#include "config/devices.h"
#include "rangers/unit.h"

namespace tevrak::rangers {

struct State {
    int PSDInitialised = 0;           // 1 once PSDInit succeeded
    hdt::Device *PSDFirst = nullptr;  // head of the loader's sensor list
};

extern State state;

// Puts the record back to its state at program start.
void reset();

}  // namespace tevrak::rangers
