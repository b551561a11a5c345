/*
 * Latency of the drive unit's C calls against the robot in a folder (a
 * running tevrak-sim, usually), for comparison with another binding in the
 * same run: prints the median wall time per call of a command (VWSetSpeed)
 * and a query (VWGetPosition) over RUNS runs of COUNT calls, and the
 * process's CPU time per call, in microseconds:
 *   set_speed <wall us> <cpu us>
 *   position <wall us> <cpu us>
 *
 *   call_latency FOLDER [COUNT [RUNS]]
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <tevrak/drive.h>
#include <tevrak/home.h>

static double micros(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static int by_value(const void *a, const void *b) {
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

enum { kMaxRuns = 100 };

/* Median over runs of the wall time per call and the CPU time per call of
 * all runs; 1 when a call failed. */
static int measure(int query, int count, int runs, double *wall, double *cpu) {
    double per_call[kMaxRuns];
    int x, y, heading;
    const double cpu_start = micros(CLOCK_PROCESS_CPUTIME_ID);
    for (int run = 0; run < runs; ++run) {
        const double start = micros(CLOCK_MONOTONIC);
        for (int i = 0; i < count; ++i) {
            if ((query ? VWGetPosition(&x, &y, &heading) : VWSetSpeed(0, 0)) != 0) return 1;
        }
        per_call[run] = (micros(CLOCK_MONOTONIC) - start) / count;
    }
    *cpu = (micros(CLOCK_PROCESS_CPUTIME_ID) - cpu_start) / ((double)count * runs);
    qsort(per_call, (size_t)runs, sizeof per_call[0], by_value);
    *wall = per_call[runs / 2];
    return 0;
}

int main(int argc, char **argv) {
    if (argc < 2 || HDTSetHome(argv[1]) != 0) {
        fprintf(stderr, "usage: call_latency FOLDER [COUNT [RUNS]]\n");
        return 2;
    }
    const int count = argc > 2 ? atoi(argv[2]) : 100;
    int runs = argc > 3 ? atoi(argv[3]) : 5;
    if (count < 1 || runs < 1 || runs > kMaxRuns) return 2;
    if (VWInit() != 0) return 1;
    double wall[2], cpu[2];
    if (measure(0, count, runs, &wall[0], &cpu[0]) != 0 || measure(1, count, runs, &wall[1], &cpu[1]) != 0) return 1;
    printf("set_speed %.1f %.1f\nposition %.1f %.1f\n", wall[0], cpu[0], wall[1], cpu[1]);
    return 0;
}
