// The distance sensors as the layers above them see them: their entry for
// the command routine and how many the robot has. The C++ layer reaches the
// unit only through this and the public header.
#pragma once

#include "protocol/command.h"

namespace tevrak::rangers {

extern const protocol::Unit kSensorUnit;

// The sensors hdt.txt lists, once the unit is started.
int sensor_count();

}  // namespace tevrak::rangers
