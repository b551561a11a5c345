/*
 * tevrak motors and encoders (library tevrak_actuators). Both hang off the
 * controller board on serial interface 1. Motor numbers count from 1, in the
 * order of the MOTOR lines of <home>/bin/hdt.txt; encoders are numbered 1
 * to 4.
 *
 * Motors and encoders share one start-up (MOTORInit). Every operation runs it
 * while the unit is not started and fails at once, sending nothing, when it
 * fails. Each command then runs the link check; when the board does not
 * answer, the operation writes its timeout message, marks the unit as not
 * started (the next call starts it afresh: the motor list is reloaded and all
 * encoder zeros are cleared) and fails. A query whose reply never comes fails
 * the same way.
 * Payload bytes are the low 8 bits of the arguments (-100 travels as 0x9C).
 *
 * Encoder readings are relative to a zero kept in this process only;
 * ENCODERReset takes the board's current count as the new zero and never
 * resets the board's counter.
 *
 * The servo half of the same library (<tevrak/servo.h>) keeps its own
 * start-up: a motor failure does not stop it. Call from one thread at a time.
 */
#ifndef TEVRAK_MOTOR_H
#define TEVRAK_MOTOR_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Starts the motor and encoder unit: opens interface 1
 * (SERInit(1, 115200, 0)), sets all four encoder zeros to 0, loads the motor
 * list and the first motor's table from hdt.txt, and marks the unit started.
 * Sends nothing. A file without motors still starts the unit; every motor is
 * then treated as one without a table.
 * Returns 0 on success or when already started; 1 when the link cannot be
 * opened (encoder zeros untouched; the serial link writes its own message).
 */
int MOTORInit(void);

/*
 * Runs a motor at a raw power value; the sign gives the direction.
 * Sends 0xED, motor, value (3 bytes).
 * Returns 0 when the frame was sent; 1 on start-up or link-check failure
 * ("MOTOR: Timeout!!!\n" on stderr).
 */
int MOTORDriveRaw(int motor, int value);

/*
 * Runs a motor at a speed from -100 to 100 converted through its table: the
 * magnitude m selects entry m * N / 101 of the N-entry table (truncated; a
 * magnitude beyond 100 uses the last entry), negated for a negative speed,
 * and sent as by MOTORDriveRaw.
 * A motor without a table (none, 0 entries, or a number beyond the motor
 * list) gets "No Motor Table\n" on stdout and MOTORDriveRaw with the speed
 * unchanged.
 * Returns 1 when the start-up failed (nothing sent); otherwise 0, also when
 * the command it sends fails its link check ("MOTOR: Timeout!!!\n" on
 * stderr).
 */
int MOTORDrive(int motor, int speed);

/*
 * Gives the board PID parameters for a motor.
 * Sends 0xE4, motor, p, i, d (5 bytes).
 * Returns 0 when sent; 1 on start-up or link-check failure
 * ("MOTOR: Timeout!!!\n" on stderr).
 */
int MOTORPID(int motor, int p, int i, int d);

/*
 * Switches a motor's PID control off.
 * Sends 0xC4, motor (2 bytes).
 * Returns 0 when sent; 1 on start-up or link-check failure
 * ("MOTOR: Timeout!!!\n" on stderr).
 */
int MOTORPIDOff(int motor);

/*
 * Gives the board a motor's controlled speed.
 * Sends 0xCD, motor, speed (3 bytes).
 * Returns 0 when sent; 1 on start-up or link-check failure
 * ("MOTOR: Timeout!!!\n" on stderr).
 */
int MOTORSpeed(int motor, int speed);

/*
 * Reads encoder 1 to 4 relative to its zero.
 * Sends 0xE5, encoder (2 bytes); the reply is the board's count, signed
 * 32-bit, most significant byte first, behind the reply marker.
 * Returns count minus zero, wrapping in 32 bits; -1 on start-up failure, on
 * link-check failure or a missing reply ("ENCODER: Timeout!!!\n" on
 * stdout), and for an encoder number outside 1 to 4 (nothing sent). A
 * reading of -1 cannot be told apart from a failure.
 */
int ENCODERRead(int encoder);

/*
 * Takes the current count of encoder 1 to 4 as its new zero.
 * Sends 0xE5, encoder (2 bytes) and reads the count as ENCODERRead does.
 * Returns 0 when the zero was taken; 1 when the start-up failed; -1 on
 * link-check failure or a missing reply ("ENCODER: Timeout!!!\n" on stderr;
 * the zero stays as it was) and for an encoder number outside 1 to 4
 * (nothing sent).
 */
int ENCODERReset(int encoder);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_MOTOR_H */
