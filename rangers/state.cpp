#include "rangers_state.h"

namespace tevrak::rangers {

int PSDInitialised = 0;
hdt::Device *PSDFirst = nullptr;

}  // namespace tevrak::rangers
