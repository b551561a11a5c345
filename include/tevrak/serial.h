/*
 * tevrak serial link, main build (library tevrak_serial). The device units
 * of the library are linked with this build.
 */
#ifndef TEVRAK_SERIAL_H
#define TEVRAK_SERIAL_H

#include "serial_link.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * One read of at most size bytes into buffer. It returns as soon as at least
 * one byte is there, with as many as have arrived: the count 1 to size; 0 when
 * no byte came within 0.5 s; -1 when the read failed. A caller needing n bytes
 * compares the result with n.
 */
int SERReceive(int interface, char *buffer, int size);

/*
 * The stop on a program's death. From the first command on the board's port
 * a small guard process watches the program; when the program dies (a
 * signal it does not handle, such as SIGKILL, SIGSEGV, SIGABRT, SIGTERM or
 * SIGINT, the OOM killer, _exit) the guard finishes a frame the program left
 * half-sent with zero bytes, runs the link check and sends the drive's speed
 * 0 and, for every motor the program set going, speed 0 and power 0, within
 * a few milliseconds. Servos keep their position. A program that ends
 * through exit() or a return from main stops nothing: a manoeuvre it
 * started goes on. SERKeepMoving(1) turns the stop on death off for the
 * rest of the program, SERKeepMoving(0) turns it on again; the environment
 * variable TEVRAK_KEEP_MOVING=1 starts a program with it off.
 * Nothing of this changes the bytes a living program sends.
 */
void SERKeepMoving(int keep);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_SERIAL_H */
