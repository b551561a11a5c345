/*
 * tevrak: every unit's public header at once (main serial build).
 */
#ifndef TEVRAK_TEVRAK_H
#define TEVRAK_TEVRAK_H

#include "cycle.h"
#include "drive.h"
#include "home.h"
#include "listmenu.h"
#include "motor.h"
#include "psd.h"
#include "rcin.h"
#include "serial.h"
#include "servo.h"

#endif /* TEVRAK_TEVRAK_H */
