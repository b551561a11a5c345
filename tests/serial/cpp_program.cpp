// A C++ program using the serial link's public header.
#include <cstdio>

#include "tevrak/serial.h"

int main() {
    char buffer[2];
    const bool refused = SERSendChar(0, 'x') == 1 && SERReceive(0, buffer, 2) == -1 && SERClose(0) == 1;
    std::puts(refused ? "ok" : "wrong");
    return refused ? 0 : 1;
}
