/*
 * tevrak cycles (library tevrak_protocol, in libtevrak.so): several commands
 * on the controller board back to back behind one link check.
 *
 * Every command normally runs the link check first (a carriage return, the
 * board's '>' and a 10 ms pause to empty the line), which bounds a loop of
 * six calls to about 16 a second. Between CYCLEBegin and CYCLEEnd only the
 * first command runs the link check (and the first one after a unit started
 * afresh); the others send their frames at once. The frames are those of
 * the same calls outside a cycle, without the repeated link checks.
 *
 * Any failure inside a cycle (a link check or a reply that does not come,
 * a reply cut short) closes the cycle: the call reports it exactly as
 * outside a cycle, and every later call runs its own link check again
 * until the next CYCLEBegin. Outside a cycle every call behaves as without
 * this header.
 *
 *     while (running) {
 *         CYCLEBegin();
 *         int front = PSDGet(1), left = PSDGet(2), right = PSDGet(3);
 *         int l = ENCODERRead(1), r = ENCODERRead(2);
 *         VWSetSpeed(200, steer(front, left, right));
 *         if (CYCLEEnd() != 0) handle_failure();
 *     }
 *
 * Not locked: one thread at a time (the C++ layer's tevrak::Cycle holds the
 * link for the whole cycle).
 */
#ifndef TEVRAK_CYCLE_H
#define TEVRAK_CYCLE_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Opens a cycle. Sends nothing; the next command runs the link check.
 * Returns 0; 1 when a cycle was open already (it goes on unchanged).
 */
int CYCLEBegin(void);

/*
 * Closes the cycle. Sends nothing.
 * Returns 0 when every command since CYCLEBegin went through; 1 when a
 * failure closed the cycle before (the failing call reported it) or no
 * cycle was open.
 */
int CYCLEEnd(void);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_CYCLE_H */
