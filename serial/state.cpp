#include "serial_state.h"

#include <unistd.h>

namespace tevrak::serial {

char USBPATH1[kPathSlot];
char USBPATH2[kPathSlot];
char USBPATH3[kPathSlot];
char USBPATH4[kPathSlot];
int SERPathInit;
int SERType;
int SERBaud[kInterfaces + 1];
int SERHandshake[kInterfaces + 1];
int fd;

char *path_slot(int interface) {
    switch (interface) {
    case 1: return USBPATH1;
    case 2: return USBPATH2;
    case 3: return USBPATH3;
    case 4: return USBPATH4;
    default: return nullptr;
    }
}

void close_port() {
    // SERType 0 (never opened) or -1 (closed): fd is not ours to close.
    if (valid_interface(SERType) && fd >= 0) ::close(fd);
}

}  // namespace tevrak::serial
