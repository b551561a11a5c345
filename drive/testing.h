// What tests and tools may reach of the drive unit: its state record and
// reset, the angle and arc arithmetic, and the reading of its hdt.txt lines.
#pragma once

#include "drive/angles.h"
#include "drive/arc.h"
#include "drive/settings.h"
#include "drive/state.h"
