// Process-wide state of the distance-sensor unit. Internal to the library;
// tests read and set it directly.
#pragma once

#include "protocol/devices.h"

namespace tevrak::rangers {

// 1 once PSDInit succeeded; head of the loader's sensor list.
extern int PSDInitialised;
extern hdt::Device *PSDFirst;

}  // namespace tevrak::rangers
