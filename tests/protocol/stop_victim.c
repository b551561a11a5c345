/* A robot program for the stop-on-death tests: takes one command per line
 * on standard input, answers "ok" or "failed", and waits for the next. The
 * test kills it while it drives. */
#include <stdio.h>
#include <string.h>

#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/serial.h"

/* From hold_mid_frame.cpp: the test seam and the guard's process id. */
void hold_after_bytes(int count);
int guard_process(void);

int main(void) {
    char line[64];
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin) != NULL) {
        int result = 1;
        if (strcmp(line, "drive\n") == 0) {
            result = VWSetSpeed(200, 0);
        } else if (strcmp(line, "motor\n") == 0) {
            result = MOTORDriveRaw(1, 50);
        } else if (strcmp(line, "straight\n") == 0) {
            result = VWStraight(1000, 200);
        } else if (strcmp(line, "hold\n") == 0) {
            hold_after_bytes(3);
            result = VWStraight(500, 200);
        } else if (strcmp(line, "close\n") == 0) {
            result = SERClose(1);
        } else if (strcmp(line, "keep\n") == 0) {
            SERKeepMoving(1);
            result = 0;
        } else if (strcmp(line, "guard\n") == 0) {
            printf("guard %d\n", guard_process());
            continue;
        } else if (strcmp(line, "return\n") == 0) {
            return 0;
        }
        puts(result == 0 ? "ok" : "failed");
    }
    return 0;
}
