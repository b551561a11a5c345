/*
 * tevrak remote-control input (library tevrak_rcin).
 *
 * Keys of an infrared TV remote control, one character per key, read from
 * the infrared daemon (lircd) through the lirc client library. The daemon
 * decodes the signals; this unit turns each event line into a key code,
 * suppresses the first auto-repeats of a held key (the hold delay) and can
 * switch the daemon to another numbered remote configuration.
 *
 * Key codes: the fifth character of the button name, so lirc's KEY_ names
 * give the first character of the key's own name ("KEY_1" gives '1',
 * "KEY_UP" gives 'U'); a name whose fifth character is R gives 'R' when the
 * sixth is E ("KEY_RED") and '>' otherwise ("KEY_RIGHT").
 *
 * Every function except RCINInit and RCINRestart first connects to the
 * daemon when the unit is not connected yet (by calling RCINInit) and goes on
 * whatever that returned. One caller at a time; no threads, no locks.
 */
#ifndef TEVRAK_RCIN_H
#define TEVRAK_RCIN_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Connects to the infrared daemon (lirc_init with program name "lirc",
 * verbose) and makes the connection non-blocking.
 * Results: 0 connected now; 1 already connected (nothing done); 3 the daemon
 * cannot be reached: then "Unable to initialise IR input" (no newline) goes to
 * stderr, after the client library's own diagnostics, the shell command
 * "sudo /etc/init.d/lirc stop" is run and the unit stays not connected.
 */
int RCINInit(void);

/*
 * Waits for a key event and returns its key code (1 to 255). While no event
 * is pending it sleeps on the daemon connection and uses no CPU; it waits as
 * long as it takes for a key.
 * Results: the key code; 0 when the event was an early repeat of a held key
 * (repeat count greater than 0 and less than the hold delay); -1 when the
 * client library reports an error, the unit could not connect, or the
 * daemon closed the connection. Lines of the daemon that are no key events
 * (short notices) are skipped, and so are events whose key code is 0.
 */
int RCINGet(void);

/*
 * Looks once for a pending key event without waiting. No hold delay: every
 * repeat of a held key comes through like a first press.
 * Results: the key code; 0 when no complete event is pending or the pending
 * line is no key event; -1 when the client library reports an error or the
 * unit could not connect.
 */
int RCINRead(void);

/*
 * Closes the connection (lirc_deinit), runs "sudo /etc/init.d/lirc stop" and
 * marks the unit not connected. A unit never started connects first. Later
 * connection attempts fail until the daemon runs again (see RCINRestart).
 */
void RCINRelease(void);

/*
 * Same as RCINRelease: closes the connection and stops the daemon; discards
 * no events of its own. Result: always 0.
 */
int RCINFlush(void);

/*
 * Result: 1 when connected, 0 when connecting failed (after the connection
 * attempt that every function makes on a unit not connected).
 */
int RCINGetStatus(void);

/*
 * Records code as the number of the installed remote configuration. Installs
 * nothing and runs no command (apart from the connection attempt).
 */
void RCINSetControllerCode(int code);

/*
 * Result: the configuration number last recorded by RCINSetControllerCode or
 * installed by RCINRestart; 0 before either.
 */
int RCINGetControllerCode(void);

/*
 * Sets the hold delay of RCINGet (5 at program start): repeats of a held key
 * counted 1 to delay - 1 give 0. A delay of 1 or less suppresses none.
 */
void RCINSetHoldDelay(int delay);

/*
 * Installs remote configuration number code and restarts the daemon: runs
 * "sudo cp <home>/bin/ir/<code>_lircd.conf /etc/lirc/lircd.conf" (by default
 * "/home/pi/tevrak/bin/ir/%d_lircd.conf"; a path holding a character the
 * shell would interpret, such as a blank, a quote or ';', is passed in single
 * quotes), then "sudo /etc/init.d/lirc restart", and records code as the
 * controller code whether or not the copy worked. The commands' outcome is
 * not checked. It does not connect, does not change the connection state and
 * does not reconnect to the restarted daemon.
 * To use the restarted daemon, release first: RCINRelease(), RCINRestart(n),
 * and the next call connects. A unit still connected during the restart keeps
 * the old daemon's closed connection: RCINInit returns 1 and RCINGet -1.
 * Result: always 0 (it carries no status).
 */
int RCINRestart(int code);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_RCIN_H */
