// Connecting to the infrared daemon and letting go of it.
#include <fcntl.h>
#include <lirc_client.h>

#include <cstdio>

#include "platform/message.h"
#include "remote/commands.h"
#include "remote/state.h"
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
    if (rcin::state.RCIN_INITIAL == 1) return 1;
    rcin::state.fd = lirc_init("lirc", 1);
    if (rcin::state.fd < 0) {
        tevrak::write_message(stderr, "Unable to initialise IR input");
        rcin::run_command(rcin::kStopCommand);
        return 3;
    }
    make_non_blocking(rcin::state.fd);
    rcin::state.RCIN_INITIAL = 1;
    return 0;
}

extern "C" void RCINRelease(void) {
    rcin::lazy_start();
    lirc_deinit();
    rcin::run_command(rcin::kStopCommand);
    rcin::state.RCIN_INITIAL = 0;
}

extern "C" int RCINFlush(void) {
    rcin::lazy_start();
    RCINRelease();
    return 0;
}

extern "C" int RCINGetStatus(void) {
    rcin::lazy_start();
    return rcin::state.RCIN_INITIAL;
}
