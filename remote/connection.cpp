// Connecting to the infrared daemon and letting go of it.
#include <fcntl.h>
#include <lirc_client.h>

#include <cstdio>

#include "remote/commands.h"
#include "remote/rcin_state.h"
#include "tevrak/rcin.h"

namespace rcin = tevrak::rcin;

namespace {

// The connection stays blocking when its flags cannot be read.
void make_non_blocking(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags == -1) return;
    ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

extern "C" int RCINInit(void) {
    if (rcin::RCIN_INITIAL == 1) return 1;
    rcin::fd = lirc_init("lirc", 1);
    if (rcin::fd < 0) {
        std::fputs("Unable to initialise IR input", stderr);
        std::fflush(stderr);
        rcin::run_command(rcin::kStopCommand);
        return 3;
    }
    make_non_blocking(rcin::fd);
    rcin::RCIN_INITIAL = 1;
    return 0;
}

extern "C" void RCINRelease(void) {
    rcin::lazy_start();
    lirc_deinit();
    rcin::run_command(rcin::kStopCommand);
    rcin::RCIN_INITIAL = 0;
}

extern "C" int RCINFlush(void) {
    rcin::lazy_start();
    RCINRelease();
    return 0;
}

extern "C" int RCINGetStatus(void) {
    rcin::lazy_start();
    return rcin::RCIN_INITIAL;
}
