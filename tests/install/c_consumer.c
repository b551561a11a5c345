/* Out-of-tree C program built with pkg-config against the installed
 * libtevrak.so: drives 300 straight on the simulator and checks where the
 * robot ended. */
#include <stdio.h>
#include <stdlib.h>

#include <tevrak/tevrak.h>

int main(void) {
    int x = 0, y = 0, heading = 0;
    if (VWSetPosition(0, 0, 0) != 0 || VWStraight(300, 300) != 0 || VWDriveWait() != 0) return 1;
    if (VWGetPosition(&x, &y, &heading) != 0) return 1;
    printf("c consumer: x=%d y=%d heading=%d\n", x, y, heading);
    return abs(x - 300) <= 5 && abs(y) <= 5 ? 0 : 1;
}
