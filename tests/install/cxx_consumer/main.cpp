// Out-of-tree C++ program built with find_package(tevrak) against the
// installed static unit libraries: reads the front distance sensor and an
// encoder on the simulator.
#include <tevrak/motor.h>
#include <tevrak/psd.h>

#include <cstdio>

int main() {
    const int raw = PSDGetRaw(1);
    const int distance = PSDGet(1);
    const int ticks = ENCODERRead(1);
    std::printf("c++ consumer: front raw=%d distance=%d encoder=%d\n", raw, distance, ticks);
    return raw > 0 && distance > 0 && ticks >= 0 ? 0 : 1;
}
