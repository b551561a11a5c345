/*
 * The sense-act loop of a wall-follower in C, timed on request: three
 * distance sensors, two encoders and one drive speed, as single calls or
 * in a cycle (<tevrak/cycle.h>). Reads requests from standard input, one
 * per line, and answers each with the loop rate in Hz:
 *   single N   N loops of single calls   -> "<Hz>"
 *   cycle N    N loops, each in a cycle  -> "<Hz>"
 * It prints "ready" once its units are started. A failed call answers
 * "failed". Ends at the end of its input.
 *
 *   cycle_loop FOLDER
 */
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <tevrak/cycle.h>
#include <tevrak/drive.h>
#include <tevrak/home.h>
#include <tevrak/motor.h>
#include <tevrak/psd.h>

static double seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* 0 when the sensors and the drive went through (an encoder's -1 is a
 * count like any other; a cycle's end tells its failures). */
static int one_loop(void) {
    int failed = 0;
    for (int psd = 1; psd <= 3; ++psd) failed |= PSDGet(psd) < 0;
    ENCODERRead(1);
    ENCODERRead(2);
    failed |= VWSetSpeed(0, 0) != 0;
    return failed;
}

int main(int argc, char **argv) {
    if (argc != 2 || HDTSetHome(argv[1]) != 0) {
        fprintf(stderr, "usage: cycle_loop FOLDER\n");
        return 2;
    }
    if (VWInit() != 0 || one_loop() != 0) return 1;
    puts("ready");
    fflush(stdout);
    char name[32];
    int count = 0;
    while (scanf("%31s %d", name, &count) == 2 && count > 0) {
        const int in_cycle = strcmp(name, "cycle") == 0;
        int failed = 0;
        const double start = seconds();
        for (int i = 0; i < count && !failed; ++i) {
            if (in_cycle) CYCLEBegin();
            failed = one_loop();
            if (in_cycle) failed |= CYCLEEnd();
        }
        if (failed) {
            puts("failed");
        } else {
            printf("%.2f\n", count / (seconds() - start));
        }
        fflush(stdout);
    }
    return 0;
}
