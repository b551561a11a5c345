// Stand-in for the library's device loader: builds device lists and their
// calibration tables from the hardware description file at path, in the
// line format of config/device_lines.h. A list with no device, or a file
// that cannot be read, gives a null head. flags is accepted for the
// loader's calling convention.
//
// The loader owns what it returns. Each load of a kind replaces (and
// releases) the list that the previous load of that kind returned, so a unit
// that restarts keeps only the newest list.
#pragma once

#include "config/devices.h"

tevrak::hdt::Servo *HDTLoadSERVO(const char *path, int flags);
tevrak::hdt::Device *HDTLoadMOTOR(const char *path, int flags);
tevrak::hdt::Device *HDTLoadPSD(const char *path, int flags);
