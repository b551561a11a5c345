/*
 * tevrak infrared distance sensors (library tevrak_rangers). The sensors
 * hang off the controller board on serial interface 1. Sensor numbers count
 * from 1, in the order of the PSD lines of <home>/bin/hdt.txt.
 *
 * Both readings start the unit themselves (PSDInit) while it is not started
 * and return -1 at once, sending nothing, when that start-up fails. Each
 * reading then runs the link check; when the board does not answer, or its
 * reply never comes, it writes "PSD: Timeout!!!\n" to stderr, marks the unit
 * as not started (the next call starts it afresh and reloads the sensor list)
 * and returns -1.
 * Call from one thread at a time.
 */
#ifndef TEVRAK_PSD_H
#define TEVRAK_PSD_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Starts the sensor unit: opens interface 1 (SERInit(1, 115200, 0)), loads
 * the sensor list and the first sensor's table from hdt.txt, and marks the
 * unit started. Sends nothing. A file without sensors still starts the unit;
 * every sensor is then treated as one without a table.
 * Returns 0 on success or when already started; 1 when the link cannot be
 * opened (the serial link writes its own message).
 */
int PSDInit(void);

/*
 * Reads a sensor's raw value.
 * Sends 0xF0, psd (2 bytes); the reply is an unsigned 16-bit reading, high
 * byte first, behind the reply marker.
 * Returns the reading, 0 to 65535; -1 on start-up failure, link-check
 * failure or a missing reply ("PSD: Timeout!!!\n" on stderr).
 */
int PSDGetRaw(int psd);

/*
 * Reads a sensor and converts the reading through its N-entry table: entry
 * raw * N / 4096 - 1 (division truncated), held within the table, so
 * readings below 4096 / N give the first entry and readings from
 * 4096 + 4096 / N up give the last.
 * The reading is taken (as by PSDGetRaw) before the sensor's table is looked
 * up. A sensor without a table (none, 0 entries, or a number beyond the
 * sensor list) gets "PSD: No table, returning raw value\n" on stderr and
 * the reading itself is returned, -1 included; after a timeout both
 * messages appear, timeout first.
 * Returns the table value; -1 on start-up failure or a failed reading. A
 * table value of -1 cannot be told apart from a failure.
 */
int PSDGet(int psd);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_PSD_H */
