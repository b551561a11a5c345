/*
 * The drive unit's C calls against the robot in a folder (a running
 * tevrak-sim, usually), timed on request, so that another binding's calls
 * can take turns with them in the same run. Reads requests from standard
 * input, one per line, and answers each with the wall and CPU time per call
 * in microseconds:
 *   set_speed N   N times VWSetSpeed(0, 0)        -> "<wall> <cpu>"
 *   position N    N times VWGetPosition(...)      -> "<wall> <cpu>"
 * A failed call answers "failed". Ends at the end of its input.
 *
 *   call_latency FOLDER
 */
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <tevrak/drive.h>
#include <tevrak/home.h>

static double micros(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

int main(int argc, char **argv) {
    if (argc != 2 || HDTSetHome(argv[1]) != 0) {
        fprintf(stderr, "usage: call_latency FOLDER\n");
        return 2;
    }
    if (VWInit() != 0) return 1;
    char name[32];
    int count = 0;
    while (scanf("%31s %d", name, &count) == 2 && count > 0) {
        const int query = strcmp(name, "position") == 0;
        int x, y, heading, failed = 0;
        const double wall = micros(CLOCK_MONOTONIC), cpu = micros(CLOCK_PROCESS_CPUTIME_ID);
        for (int i = 0; i < count && !failed; ++i) {
            failed = (query ? VWGetPosition(&x, &y, &heading) : VWSetSpeed(0, 0)) != 0;
        }
        if (failed) {
            puts("failed");
        } else {
            printf("%.1f %.1f\n", (micros(CLOCK_MONOTONIC) - wall) / count,
                   (micros(CLOCK_PROCESS_CPUTIME_ID) - cpu) / count);
        }
        fflush(stdout);
    }
    return 0;
}
