/*
 * Drives a square of 500 x 500 and prints the position after each side.
 *
 * Shows: the drive unit's manoeuvres (VWStraight, VWTurn), waiting for one to
 * finish (VWDriveWait) and reading the position (VWGetPosition). The unit
 * starts itself on the first call: it reads hdt.txt, opens the controller
 * board's serial port and sets up the drive.
 *
 * Build: cc square.c $(pkg-config --cflags --libs tevrak) -o square
 */
#include <stdio.h>

#include <tevrak/drive.h>

enum { SIDE = 500, SPEED = 200, TURN_SPEED = 90 };

int main(void) {
    int x, y, heading;
    int side;

    if (VWInit() != 0) {
        fprintf(stderr, "square: the drive did not start\n");
        return 1;
    }
    VWSetPosition(0, 0, 0);

    for (side = 1; side <= 4; ++side) {
        if (VWStraight(SIDE, SPEED) != 0 || VWDriveWait() != 0) {
            fprintf(stderr, "square: side %d failed\n", side);
            return 1;
        }
        if (VWTurn(90, TURN_SPEED) != 0 || VWDriveWait() != 0) {
            fprintf(stderr, "square: turn %d failed\n", side);
            return 1;
        }
        if (VWGetPosition(&x, &y, &heading) != 0) {
            fprintf(stderr, "square: no position after side %d\n", side);
            return 1;
        }
        printf("after side %d: x=%d y=%d heading=%d\n", side, x, y, heading);
    }
    return 0;
}
