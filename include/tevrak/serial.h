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

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_SERIAL_H */
