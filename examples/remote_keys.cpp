// Prints the keys pressed on the infrared remote until the 0 key comes.
//
// Shows: connecting to the infrared daemon (RCINInit: 0 connected, 3 no
// daemon), blocking reads with RCINGet (early repeats of a held key come as
// 0 and are skipped), and releasing the connection. Needs a running lirc
// daemon; without one it says so and ends.
//
// Build: c++ remote_keys.cpp $(pkg-config --cflags --libs tevrak) -o remote_keys
#include <tevrak/rcin.h>

#include <cstdio>

int main() {
    if (RCINInit() == 3) {
        std::fprintf(stderr, "\nremote_keys: no infrared daemon is running\n");
        return 1;
    }
    RCINSetHoldDelay(5);  // a held key repeats after five events
    std::puts("press keys on the remote; 0 ends");
    for (;;) {
        const int key = RCINGet();
        if (key < 0) {
            std::fprintf(stderr, "remote_keys: the daemon connection failed\n");
            return 1;
        }
        if (key == 0) continue;  // an early repeat of a held key
        std::printf("key '%c' (%d)\n", key, key);
        if (key == '0') break;
    }
    return 0;
}
