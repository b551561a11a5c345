/*
 * tevrak drive unit (library tevrak_kinema): the chassis' velocity interface.
 *
 * The controller board runs the motions, keeps the chassis position and runs
 * the velocity controller; these functions configure it and send it commands
 * over serial interface 1 (115200 baud).
 *
 * Every function starts the unit on first use (VWInit) and again after a
 * communication failure. Each command is: the link check (carriage returns
 * until the board answers '>'), then the frame, one byte per write; queries
 * then skip input up to the reply marker '>' and read their reply.
 *
 * Units: angles and angular speeds are degrees here and hundredths of a
 * radian on the wire, converted as value * 314 / 180 going out and
 * value * 180 / 314 coming in, in integer arithmetic truncating toward zero
 * (45 degrees go out as 78; 78 comes back as 44). Lengths and linear speeds
 * are the board's units, unconverted. Word fields carry the low 16 bits of a
 * value, high byte first; values outside that range wrap silently.
 *
 * Messages, all on standard error:
 *   "No HDT file present"   (no newline) the hardware description file
 *                           cannot be read; the unit cannot start.
 *   "VW: Timeout!!!\n"      the board did not answer the link check, or a
 *                           query's reply marker or reply bytes never came;
 *                           the unit is marked not started and the next call
 *                           starts it afresh.
 *   "VW: Incorrect No. Received Bytes!!!\n"
 *                           VWDriveRemain's reply was short.
 *
 * Failure codes: commands return 1 on any failure. VWGetSpeed and
 * VWGetPosition return 1 and leave their result parameters unchanged.
 * VWDriveRemain, VWDriveDone, VWDriveWait and VWStalled return -1 when the
 * unit cannot start and 1 when the link fails; note that 1 is also a valid
 * result of theirs.
 *
 * The state is process-wide and not locked: call from one thread at a time.
 */
#ifndef TEVRAK_DRIVE_H
#define TEVRAK_DRIVE_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Starts the drive unit. Reads the ENCODER, DRIVE and KINEMA lines of
 * <home>/bin/hdt.txt first; without the file writes "No HDT file present"
 * (no newline) and returns 1 without touching the serial port.
 * When the unit is not started yet: opens interface 1 (SERInit(1, 115200, 0);
 * failure returns 1 with SERInit's messages), runs the link check (failure:
 * "VW: Timeout!!!\n", returns 1), sends the 8-byte drive set-up frame
 *   F7, encoder word, first drive word, second drive word, flag-pair code
 * and marks the unit started. Then, and also on every call while started,
 * it runs the gains step: VWControlOff() when all four KINEMA values are 0,
 * else VWControl(k1, k3, k2, k4). The gains step's result is not examined.
 * Values of a missing line, or missing fields of a short line, count as 0.
 * Returns 0 when the unit is started (also when it already was), 1 on failure.
 */
int VWInit(void);

/*
 * Loads the velocity controller's gains: sends C1, gain1, gain2, gain3,
 * gain4, each the low 8 bits of its argument.
 * Returns 0 when sent; 1 when the start-up or the link check failed
 * ("VW: Timeout!!!\n").
 */
int VWControl(int gain1, int gain2, int gain3, int gain4);

/*
 * Switches the velocity controller off: sends D7.
 * Returns 0 when sent; 1 when the start-up or the link check failed.
 */
int VWControlOff(void);

/*
 * Sets linear and angular speed (angular in degrees per time unit): sends
 * F8, linear speed word, converted angular speed word.
 * Returns 0 when sent, 1 on failure.
 */
int VWSetSpeed(int linear_speed, int angular_speed);

/*
 * Reads linear and angular speed: sends D8; the reply holds two signed words,
 * the linear speed and the angular speed in hundredths of a radian (converted
 * to degrees). Null pointers are allowed and skipped.
 * Returns 0 with both stored; 1 on failure, with nothing stored.
 */
int VWGetSpeed(int *linear_speed, int *angular_speed);

/*
 * Sets the chassis position: sends D1, x word, y word, converted heading word.
 * Returns 0 when sent, 1 on failure.
 */
int VWSetPosition(int x, int y, int heading);

/*
 * Reads the chassis position: sends F1; the reply holds three signed words,
 * x, y and the heading in hundredths of a radian (converted to degrees).
 * Null pointers are allowed and skipped.
 * Returns 0 with all three stored; 1 on failure, with nothing stored.
 */
int VWGetPosition(int *x, int *y, int *heading);

/*
 * Drives straight: sends F9, speed word, distance word (speed first).
 * Returns 0 when sent, 1 on failure.
 */
int VWStraight(int distance, int speed);

/*
 * Turns on the spot: sends D9, converted angular speed word, converted angle
 * word (speed first). Returns 0 when sent, 1 on failure.
 */
int VWTurn(int angle, int angular_speed);

/*
 * Drives a circular arc of the given length turning by angle degrees: sends
 * C3, length word, converted angle word, speed word.
 * Returns 0 when sent, 1 on failure.
 */
int VWCurve(int length, int angle, int speed);

/*
 * Drives the circular arc that starts tangent to the current heading and
 * ends at the point dx ahead and dy to the side of positive turns: sends C3,
 * arc length word, heading change in hundredths of a radian word, speed word.
 * With the bearing phi = atan2(dy, dx) and the chord r, the heading change is
 * 2 * phi and the length r * phi / sin(phi), both truncated toward zero.
 * Points straight ahead or behind (dy 0) give a straight run of length dx;
 * the origin gives length 0 and angle 0.
 * Returns 0 when sent, 1 on failure.
 */
int VWDrive(int dx, int dy, int speed);

/*
 * Remaining distance of the running manoeuvre: sends FA and reads the two
 * reply bytes with one read, as an unsigned word (0 to 65535).
 * Returns the distance; -1 when the unit cannot start; 1 when the link fails;
 * -1 when fewer than 2 bytes came ("VW: Incorrect No. Received Bytes!!!\n",
 * unit marked not started).
 */
int VWDriveRemain(void);

/*
 * Drive status: sends DA and returns the status byte (0 to 255; 1 means the
 * manoeuvre is finished, 2 stalled). Returns -1 when the unit cannot start,
 * 1 when the link fails.
 */
int VWDriveDone(void);

/*
 * Waits until the manoeuvre is finished: polls the drive status (DA) until
 * the board reports 1, each poll with its own link check and no other pause.
 * Returns 0 then; -1 when the unit cannot start; 1 when the link fails.
 */
int VWDriveWait(void);

/*
 * Stall test: sends DA; returns 0 when the status is 2 (stalled), 1 for any
 * other status. Returns -1 when the unit cannot start, 1 when the link fails.
 */
int VWStalled(void);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_DRIVE_H */
