// Stand-in for the library's device loader: builds device lists and their
// calibration tables from the hardware description file. Line format:
//   SERVO <name> <low limit> <high limit> <table name>
//   MOTOR <name> <table name>
//   PSD <name> <table name>
//   TABLE <table name> <entry 1> <entry 2> ... <entry N>
// A table name of "-", a missing one, or one without a TABLE line means no
// table; of several TABLE lines with one name the last counts. Devices are
// numbered from 1 in file order. A list with no device is a null head.
//
// The loader owns what it returns. Each load of a kind replaces (and
// releases) the list that the previous load of that kind returned, so a unit
// that restarts keeps only the newest list.
#pragma once

#include "protocol/devices.h"
#include "protocol/hdt_file.h"

// C linkage, like the loader unit they stand in for.
extern "C" {
tevrak::hdt::Servo *HDTLoadSERVO(const char *path, int flags);
tevrak::hdt::Device *HDTLoadMOTOR(const char *path, int flags);
tevrak::hdt::Device *HDTLoadPSD(const char *path, int flags);

// The table of a record of a list the loader returned (as it filled it in);
// nullptr for none, and for a record that is not the loader's. The path is
// accepted for the loader's calling convention.
tevrak::hdt::Table *HDTLoadTable(const char *path, const void *record);
}

namespace tevrak::hdt {
// The loaders on an already open file (a seam for parser tests and fuzzing).
Servo *load_servos(LineReader &file);
Device *load_motors(LineReader &file);
Device *load_sensors(LineReader &file);
}  // namespace tevrak::hdt

namespace tevrak::hdt {
// A device unit's start-up step: loads the unit's list from the hardware
// description file and stores the head's table into the head record. A file
// without devices of the kind gives a null head, which holds no table.
template <typename Record>
Record *load_device_list(Record *(*loader)(const char *path, int flags), const char *path) {
    Record *head = loader(path, 0);
    if (head != nullptr) head->table = HDTLoadTable(path, head);
    return head;
}
}  // namespace tevrak::hdt
