#include "rangers/state.h"

#include "tevrak/psd.h"

namespace tevrak::rangers {

State state;

const protocol::Unit kSensorUnit{protocol::UnitId::sensor, &state.PSDInitialised, PSDInit, "PSD: Timeout!!!\n"};

int sensor_count() { return hdt::count(state.PSDFirst); }

void reset() { state = State{}; }

}  // namespace tevrak::rangers
