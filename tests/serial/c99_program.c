/* A C99 program using the serial link's public header: it must compile with
 * -std=c99 -pedantic-errors and link against the library. */
#include <stdio.h>

#include "tevrak/serial.h"

int main(void) {
    char buffer[2];
    /* Interface 0 is refused without touching any port. */
    int refused = SERSendChar(0, 'x') == 1 && SERReceive(0, buffer, 2) == -1 && SERClose(0) == 1;
    printf("%s\n", refused ? "ok" : "wrong");
    return refused ? 0 : 1;
}
