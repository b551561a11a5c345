// Servos, motors and encoders as the layers above them see them: their
// entries for the command routine and how many of each the robot has. The
// C++ layer reaches the unit only through this and the public headers.
#pragma once

#include "protocol/command.h"

namespace tevrak::actuators {

inline constexpr int kEncoders = 4;

extern const protocol::Unit kServoUnit;
// Motors and encoders share one flag and one start-up (MOTORInit); the
// encoders' messages carry their own tag.
extern const protocol::Unit kMotorUnit;
extern const protocol::Unit kEncoderUnit;

// The devices hdt.txt lists, once the unit is started.
int servo_count();
int motor_count();

}  // namespace tevrak::actuators
