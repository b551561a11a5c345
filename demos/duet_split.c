/*
 * Two threads print lines made of two halves on stdout without a lock, so
 * the other thread may write between the halves of a line; each single
 * printf stays in one piece. Runs until killed.
 */
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>

void *slave(void *arg) {
    int number = (int)(intptr_t)arg;
    for (;;) {
        printf("START%d -- ", number);
        printf("%dSTOP\n", number);
    }
}

int main(void) {
    pthread_t t1, t2;
    pthread_create(&t1, NULL, slave, (void *)(intptr_t)1);
    pthread_create(&t2, NULL, slave, (void *)(intptr_t)2);
    /* The process lives on while the two threads run. */
    pthread_exit(NULL);
}
