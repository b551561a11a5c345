/*
 * tevrak servos (library tevrak_actuators). Servos hang off the controller
 * board on serial interface 1. Servo numbers count from 1, in the order of
 * the SERVO lines of <home>/bin/hdt.txt.
 *
 * Every operation starts the unit itself (SERVOInit) while it is not started
 * and returns 1 at once, sending nothing, when that start-up fails. Each
 * command then runs the link check; when the board does not answer, it writes
 * "SERVO: Timeout!!!\n" to stderr, marks the unit as not started (the next
 * call starts it afresh and reloads the servo list) and fails.
 * Payload bytes are the low 8 bits of the arguments (300 travels as 0x2C).
 *
 * The motor and encoder half of the same library (<tevrak/motor.h>) keeps
 * its own start-up: a servo failure does not stop it.
 * Call from one thread at a time.
 */
#ifndef TEVRAK_SERVO_H
#define TEVRAK_SERVO_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Starts the servo unit: opens interface 1 (SERInit(1, 115200, 0)), loads the
 * servo list and the first servo's table from hdt.txt, and marks the unit
 * started. Sends nothing. A file without servos still starts the unit; every
 * servo is then treated as one without a table.
 * Returns 0 on success or when already started; 1 when the link cannot be
 * opened (the serial link writes its own message).
 */
int SERVOInit(void);

/*
 * Moves a servo to a raw position, unconverted and unlimited.
 * Sends 0xF3, servo, position (3 bytes).
 * Returns 0 when the frame was sent; 1 on start-up or link-check failure
 * ("SERVO: Timeout!!!\n" on stderr).
 */
int SERVOSetRaw(int servo, int position);

/*
 * Moves a servo to a position (nominally 0 to 255) held within the servo's
 * limits and converted through its table: the position is first lowered to
 * the high limit, then raised to the low limit (so a low limit above the high
 * limit wins), and then selects entry position * N / 256 of the N-entry
 * table (truncated; held within the table when the limits lie outside 0 to
 * 255). That entry is sent as by SERVOSetRaw.
 * A servo without a table (none, 0 entries, or a number beyond the servo
 * list) gets "No Servo table\n" on stdout and SERVOSetRaw with the position
 * unchanged.
 * Returns 1 when the start-up failed (nothing sent); otherwise 0, also when
 * the command it sends fails its link check ("SERVO: Timeout!!!\n" on
 * stderr).
 */
int SERVOSet(int servo, int position);

/*
 * Gives the board a servo's range.
 * Sends 0xD3, servo, low, high (4 bytes).
 * Returns 0 when the frame was sent; 1 on start-up or link-check failure
 * ("SERVO: Timeout!!!\n" on stderr).
 */
int SERVORange(int servo, int low, int high);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_SERVO_H */
