/*
 * tevrak serial link: the operations both builds of the serial unit share.
 * Include <tevrak/serial.h> (main build) or <tevrak/serial_text.h> (text
 * build) rather than this file.
 *
 * The link knows four interfaces, numbered 1 to 4. At most one is open at a
 * time; every operation names the interface it wants and, when that is not
 * the open one, reopens it with the baud rate and handshake value last given
 * to SERInit for it (the "reopen rule"). The controller board is interface 1.
 *
 * Interface numbers outside 1 to 4 are refused by every operation before
 * anything is touched (no reopen, no state change, no message except
 * SERInit's own): SERInit, SERSendChar, SERSend, SERCheck, SERFlush and
 * SERClose return 1; SERReceive and SERReceiveChar return -1.
 *
 * The state is process-wide and not locked: call from one thread at a time.
 */
#ifndef TEVRAK_SERIAL_LINK_H
#define TEVRAK_SERIAL_LINK_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Port discovery. Sets interface 1's path to "/dev/ttyACM0", then reads the
 * USB lines of <home>/bin/hdt.txt ("USB <interface> <device name>") and looks
 * each device name up in the text printed by <home>/bin/usbSearch: the path is
 * the second ':'-separated field behind the first name token (tokens are
 * separated by blanks, '_', '-' and newlines) equal to the name.
 * Device paths: a found path of at most 99 characters becomes the
 * interface's path; a longer one is refused, never cut: the interface is left
 * without a path (interface 1 too loses "/dev/ttyACM0"), so opening it fails
 * with "error opening port\n". A name that is not found changes nothing.
 * Returns 0 once the file was read to its end; afterwards discovery is done
 * for the life of the process and later calls return 1 at once.
 * Returns 1 also when the file cannot be opened (message "No HDT file
 * present" on stderr, no newline) or when a USB line names an interface other
 * than 1 to 4 (message "Invalid usb port number (1-4)" on stdout, no newline;
 * the rest of the file is not read).
 */
int SERGetPaths(void);

/*
 * Opens interface 1 to 4 at baud (a plain number: 115200) and stores baud and
 * handshake for later reopens. Runs discovery first while it is not done.
 * The line is set up raw: 8 data bits, no parity, one stop bit, no flow
 * control, no input or output translation, reads waiting at most 0.5 s.
 * Accepted rates: 0, 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400,
 * 4800, 9600, 19200, 38400, 57600, 115200, 230400.
 * A failed discovery (no file, an invalid USB line) does not stop the open:
 * the interface uses whatever path it has (interface 1: "/dev/ttyACM0").
 * Returns 0 on success; 1 for an interface outside 1 to 4 ("incorrect
 * interface, %d invalid\n" on stderr, nothing changes), a failed open or an
 * interface without a path ("error opening port\n" on stderr), or a rate not in
 * the list ("invalid baud rate!!!\n" on stdout; the port stays open and the
 * interface selected). A descriptor still held is closed before the new open.
 * One program at a time owns a port: the open takes an exclusive lock on it
 * (flock), held until the port is closed or the program ends. While another
 * program holds it, SERInit returns 1 with "tevrak: the board at <path> is in
 * use by process <pid> (<name>)\n" on stderr, naming the holding program;
 * that program goes on untouched.
 */
int SERInit(int interface, int baud, int handshake);

/*
 * Line set-up of an open descriptor with a termios speed code. parity holds
 * control-mode bits added after the parity bits were cleared (0: none); the
 * handshake value changes nothing: flow control is always off.
 * Returns 0, or -1 when the attributes cannot be fetched ("error from
 * tcgetattr\n" on stdout) or applied ("error from tcsetattr\n" on stdout).
 */
int SERSet_interface_attribs(int descriptor, int speed, int parity, int handshake);

/*
 * Read timing of an open descriptor: reads wait at most 0.5 s, and with
 * should_block non-zero for at least one byte. Writes "error from
 * tggetattr\n" on stdout when the attributes cannot be fetched.
 */
void SERSet_blocking(int descriptor, int should_block);

/* Writes one byte. Returns 0 when it was written, else 1. */
int SERSendChar(int interface, char byte);

/* Writes exactly 4 bytes from buffer with one write. Returns 0 when all 4
 * were written, else 1. */
int SERSend(int interface, const char *buffer);

/*
 * Reads one byte, waiting at most 0.5 s. Returns the byte as 0 to 255, or -1
 * when none arrived in time or the read failed (never the reply marker '>').
 */
int SERReceiveChar(int interface);

/*
 * Link check: up to 100 tries of sending a carriage return, pausing 100
 * microseconds and reading one byte. On '>' the queues are flushed (SERFlush)
 * and 0 is returned. After 100 tries without '>' the port is closed and 1 is
 * returned (about 50 s against a board that never answers; at once against a
 * port that fails every read).
 */
int SERCheck(int interface);

/* Pauses 10 ms, then discards all unread input and unsent output.
 * Returns 0 (1 for an interface outside 1 to 4). */
int SERFlush(int interface);

/* Closes the port; the next operation reopens it. Closing another interface
 * than the open one first opens that one (reopen rule). Returns 0 (1 for an
 * interface outside 1 to 4). */
int SERClose(int interface);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_SERIAL_LINK_H */
