/*
 * Sweeps servo 1 across its range and runs motor 1 forward and back at a
 * table speed, printing encoder 1 as it goes.
 *
 * Shows: SERVOSet (position 0 to 255, held within the servo's limits and
 * converted through its table from hdt.txt), MOTORDrive (speed -100 to 100
 * through the motor's table), and encoder counts relative to a zero taken
 * with ENCODERReset.
 *
 * Build: cc servo_motor.c $(pkg-config --cflags --libs tevrak) -o servo_motor
 */
#include <stdio.h>
#include <time.h>

#include <tevrak/motor.h>
#include <tevrak/servo.h>

static void pause_ms(long ms) {
    struct timespec t;
    t.tv_sec = ms / 1000;
    t.tv_nsec = (ms % 1000) * 1000000L;
    nanosleep(&t, NULL);
}

int main(void) {
    int position, speed;

    for (position = 0; position <= 255; position += 51) {
        if (SERVOSet(1, position) != 0) {
            fprintf(stderr, "servo_motor: servo unit did not start\n");
            return 1;
        }
        printf("servo 1 -> %d\n", position);
        pause_ms(100);
    }

    if (ENCODERReset(1) != 0) {
        fprintf(stderr, "servo_motor: encoder 1 not available\n");
        return 1;
    }
    for (speed = -100; speed <= 100; speed += 50) {
        MOTORDrive(1, speed);
        pause_ms(200);
        printf("motor 1 speed %4d: encoder 1 = %d\n", speed, ENCODERRead(1));
    }
    MOTORDrive(1, 0);
    return 0;
}
