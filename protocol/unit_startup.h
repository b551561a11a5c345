// The one start-up of the table-driven device units (servos, motors and
// encoders, distance sensors): open the link's interface, load the unit's
// device list from the hardware description file, mark the unit started.
#pragma once

#include "config/paths.h"
#include "protocol/command.h"
#include "tevrak/serial.h"

namespace tevrak::protocol {

// Returns 0 when the unit is started (at once if it was already), 1 when
// the link's interface cannot be opened; then nothing else happens.
// before_load runs between opening the link and loading the list. A file
// without devices of the kind still starts the unit: every device is then
// one without a table.
template <typename Record>
int start_device_unit(int &initialised, Record *&first, Record *(*load)(const char *path, int flags),
                      void (*before_load)() = nullptr) {
    if (initialised == 1) return 0;
    if (SERInit(kLinkInterface, kLinkBaud, 0) != 0) return 1;
    if (before_load != nullptr) before_load();
    first = load(paths::hdt_file(), 0);
    initialised = 1;
    return 0;
}

}  // namespace tevrak::protocol
