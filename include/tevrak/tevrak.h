/*
 * tevrak: every unit's public header at once (main serial build).
 */
#ifndef TEVRAK_TEVRAK_H
#define TEVRAK_TEVRAK_H

#include "serial.h"
#include "drive.h"
#include "servo.h"
#include "motor.h"
#include "psd.h"
#include "rcin.h"
#include "listmenu.h"
#include "home.h"
#include "cycle.h"

#endif /* TEVRAK_TEVRAK_H */
