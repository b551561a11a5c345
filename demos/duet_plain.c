/*
 * Two threads print whole lines "thread 1" and "thread 2" on stdout, one
 * printf per line; only the order of the two threads' lines varies. Runs
 * until killed.
 */
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>

void *slave(void *arg) {
    int number = (int)(intptr_t)arg;
    for (;;) {
        printf("thread %d\n", number);
    }
}

int main(void) {
    pthread_t t1, t2;
    pthread_create(&t1, NULL, slave, (void *)(intptr_t)1);
    pthread_create(&t2, NULL, slave, (void *)(intptr_t)2);
    /* The process lives on while the two threads run. */
    pthread_exit(NULL);
}
