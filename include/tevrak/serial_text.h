/*
 * tevrak serial link, text build (library tevrak_serial_text). The same
 * operations as the main build, except:
 *  - SERReceive takes no size and hands over a text;
 *  - discovery prints the device listing ("Physical USB devices: \n %s\n"
 *    on stdout) and splits the fields behind a matched name at blanks and
 *    newlines instead of colons and newlines;
 *  - the line set-up leaves hardware flow control (CRTSCTS) as the port had it.
 */
#ifndef TEVRAK_SERIAL_TEXT_H
#define TEVRAK_SERIAL_TEXT_H

#include "serial_link.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * One read of at most 4 bytes, handed over as a NUL-terminated text in
 * buffer, which must hold 5 bytes. A zero byte among the received ones ends
 * the text early; no byte or a failed read gives the empty text. Returns the
 * count the read returned (1 to 4, 0 or -1).
 */
int SERReceive(int interface, char *buffer);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_SERIAL_TEXT_H */
