// Stand-in for the library's device loader: builds device lists and their
// calibration tables from the hardware description file at path, in the
// line format of config/device_lines.h. A list with no device, or a file
// that cannot be read, gives a null head. flags is accepted for the
// loader's calling convention.
//
// The loader owns what it returns. Each load of a kind replaces (and
// releases) the list that the previous load of that kind returned, together
// with the tables read for its records, so a unit that restarts keeps only
// the newest list.
#pragma once

#include "config/devices.h"

// C linkage, like the loader unit they stand in for.
extern "C" {
tevrak::hdt::Servo *HDTLoadSERVO(const char *path, int flags);
tevrak::hdt::Device *HDTLoadMOTOR(const char *path, int flags);
tevrak::hdt::Device *HDTLoadPSD(const char *path, int flags);

// Reads the table that record names (its tabname) from the file at path,
// which may be another file than the one its list came from. record must
// belong to the newest list of its kind. Changes no record: the caller
// stores the result where it wants it. A later read for the same record
// refills the table it returned before. nullptr for a null record, one the
// loader does not hold, a file that cannot be read, and a name that has no
// table in that file.
tevrak::hdt::Table *HDTLoadTable(const char *path, const void *record);
}
