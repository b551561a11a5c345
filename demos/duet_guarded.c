/*
 * Two threads print lines made of two halves on stdout; the mutex print is
 * held across both halves, so every line stays whole:
 * "START1 -- 1STOP" or "START2 -- 2STOP". Runs until killed.
 */
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>

pthread_mutex_t print;

void *slave(void *arg) {
    int number = (int)(intptr_t)arg;
    for (;;) {
        pthread_mutex_lock(&print);
        printf("START%d -- ", number);
        printf("%dSTOP\n", number);
        pthread_mutex_unlock(&print);
    }
}

int main(void) {
    pthread_t t1, t2;
    pthread_mutex_init(&print, NULL);
    pthread_create(&t1, NULL, slave, (void *)(intptr_t)1);
    pthread_create(&t2, NULL, slave, (void *)(intptr_t)2);
    /* The process lives on while the two threads run. */
    pthread_exit(NULL);
}
