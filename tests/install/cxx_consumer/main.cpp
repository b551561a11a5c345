// Out-of-tree C++ program built with find_package(tevrak) against the
// installed C++ interface: reads the front distance sensor and an encoder on
// the simulator, and catches the library's exception by its type.
#include <tevrak/tevrak.hpp>

#include <cstdio>
#include <stdexcept>
#include <string_view>

int main() {
    tevrak::DistanceSensor front(1);
    const int raw = front.raw();
    const int distance = front.distance();
    const int ticks = tevrak::Encoder(1).read();
    std::printf("c++ consumer: front raw=%d distance=%d encoder=%d\n", raw, distance, ticks);
    try {
        tevrak::Encoder(9);
        return 1;
    } catch (const std::out_of_range &error) {
        if (std::string_view(error.what()) != "encoder 9: this robot has encoders 1 to 4") return 1;
    }
    return raw > 0 && distance > 0 && ticks >= 0 ? 0 : 1;
}
