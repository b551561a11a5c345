#include "remote/rcin_state.h"

#include "tevrak/rcin.h"

namespace tevrak::rcin {

int RCIN_INITIAL = 0;
int fd = 0;
int controllerCode = 0;
int holdDelay = 5;

void lazy_start() {
    if (RCIN_INITIAL != 1) RCINInit();
}

}  // namespace tevrak::rcin
