// The one start-up of the table-driven device units (servos, motors and
// encoders, distance sensors): open the link's interface, load the unit's
// device list from the hardware description file, keep its head, read the
// head's table from the same file into the head record, mark the unit
// started.
#pragma once

#include "config/devices.h"
#include "config/paths.h"
#include "protocol/command.h"
#include "tevrak/serial.h"

namespace tevrak::protocol {

// The device loader's two calls for one kind of device.
template <typename Record>
struct DeviceLoader {
    Record *(*list)(const char *path, int flags);
    hdt::Table *(*table)(const char *path, const void *head);
};

// Returns 0 when the unit is started (at once if it was already), 1 when
// the link's interface cannot be opened; then nothing else happens.
// before_load runs between opening the link and loading the list. Only the
// head record's table is set here; the further records keep what the loader
// gave them. A file without devices of the kind still starts the unit:
// every device is then one without a table.
template <typename Record>
int start_device_unit(int &initialised, Record *&first, DeviceLoader<Record> loader, void (*before_load)() = nullptr) {
    if (initialised == 1) return 0;
    if (SERInit(kLinkInterface, kLinkBaud, 0) != 0) return 1;
    if (before_load != nullptr) before_load();
    const char *path = paths::hdt_file();
    first = loader.list(path, 0);
    if (first != nullptr) first->table = loader.table(path, first);
    initialised = 1;
    return 0;
}

}  // namespace tevrak::protocol
