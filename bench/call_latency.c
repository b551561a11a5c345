/*
 * Latency of the drive unit's C calls against the robot in a folder (a
 * running tevrak-sim, usually), for comparison with another binding in the
 * same run: prints the median time per call of a command (VWSetSpeed) and a
 * query (VWGetPosition) over RUNS runs of COUNT calls, in microseconds:
 *   set_speed <us>
 *   position <us>
 *
 *   call_latency FOLDER [COUNT [RUNS]]
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <tevrak/drive.h>
#include <tevrak/home.h>

static double now_micros(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static int by_value(const void *a, const void *b) {
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

enum { kMaxRuns = 100 };

/* Median over runs of the time per call; -1 when a call failed. */
static double median_micros(int query, int count, int runs) {
    double per_call[kMaxRuns];
    int x, y, heading;
    for (int run = 0; run < runs; ++run) {
        const double start = now_micros();
        for (int i = 0; i < count; ++i) {
            if ((query ? VWGetPosition(&x, &y, &heading) : VWSetSpeed(0, 0)) != 0) return -1;
        }
        per_call[run] = (now_micros() - start) / count;
    }
    qsort(per_call, (size_t)runs, sizeof per_call[0], by_value);
    return per_call[runs / 2];
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
    const double command = median_micros(0, count, runs);
    const double query = median_micros(1, count, runs);
    if (command < 0 || query < 0) return 1;
    printf("set_speed %.1f\nposition %.1f\n", command, query);
    return 0;
}
