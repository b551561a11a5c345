/*
 * A robot program for the SSH test, run through tevrak-remote, which sets
 * TEVRAK_HOME and LIRC_SOCKET_PATH:
 *   square  drives a small square; prints the pose and the raw sensors
 *   key     prints "ready", waits for one key of the remote, prints its code
 *   loop    prints "read" per sensor reading until one fails, then "failed"
 *   drive   starts its units, sets the drive and motor 1 going, prints "moving" and its process
 *           id, reads a sensor every 20 ms until a reading fails, then "failed"
 */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <tevrak/drive.h>
#include <tevrak/motor.h>
#include <tevrak/psd.h>
#include <tevrak/rcin.h>

int main(int argc, char **argv) {
    const char *mode = argc > 1 ? argv[1] : "";
    int x, y, heading, key;
    if (strcmp(mode, "square") == 0) {
        for (int side = 0; side < 4; ++side) {
            if (VWStraight(100, 400) || VWDriveWait() || VWTurn(90, 360) || VWDriveWait()) return 1;
        }
        if (VWGetPosition(&x, &y, &heading)) return 1;
        printf("pose %d %d %d\n", x, y, heading);
        for (int psd = 1; psd <= 3; ++psd) printf("psd %d\n", PSDGetRaw(psd));
        return 0;
    }
    if (strcmp(mode, "key") == 0) {
        if (RCINInit() != 0) return 1;
        puts("ready");
        fflush(stdout);
        while ((key = RCINGet()) == 0) continue;
        printf("key %c\n", key);
        return key > 0 ? 0 : 1;
    }
    if (strcmp(mode, "loop") == 0) {
        while (PSDGetRaw(1) >= 0) {
            puts("read");
            fflush(stdout);
        }
        puts("failed");
        return 0;
    }
    if (strcmp(mode, "drive") == 0) {
        /* Every unit is started before anything moves: a unit's start
         * opens the port afresh, and the stop on death's guard then starts
         * afresh too, knowing nothing of what moved before. */
        if (PSDGetRaw(1) < 0 || MOTORDrive(1, 0) || VWSetSpeed(100, 0) || MOTORDrive(1, 50)) return 1;
        printf("moving %d\n", (int)getpid());
        fflush(stdout);
        while (PSDGetRaw(1) >= 0) usleep(20000);
        puts("failed");
        return 0;
    }
    return 2;
}
