#include "actuators/state.h"

#include "tevrak/motor.h"
#include "tevrak/servo.h"

namespace tevrak::actuators {

State state;

const protocol::Unit kServoUnit{protocol::UnitId::servo, &state.SERVOInitialised, SERVOInit, "SERVO: Timeout!!!\n"};
const protocol::Unit kMotorUnit{protocol::UnitId::motor, &state.MOTORInitialised, MOTORInit, "MOTOR: Timeout!!!\n"};
const protocol::Unit kEncoderUnit{protocol::UnitId::encoder, &state.MOTORInitialised, MOTORInit,
                                  "ENCODER: Timeout!!!\n"};

int servo_count() { return hdt::count(state.SERVOFirst); }
int motor_count() { return hdt::count(state.MOTORFirst); }

void reset() { state = State{}; }

}  // namespace tevrak::actuators
