// Prints the keys pressed on the infrared remote until the 0 key comes, and
// says so when no key came for 10 s.
//
// Shows: the C++ interface's Remote: connecting to the infrared daemon (a
// StartupError when none runs), waiting for keys with a time limit
// (Remote::get_for; early repeats of a held key are skipped), the hold
// delay and the keys' names (tevrak::Key, tevrak::key_name). Needs a running lirc daemon; without one it says so and
// ends.
//
// Build: c++ -std=c++20 remote_keys.cpp $(pkg-config --cflags --libs tevrak) -o remote_keys
#include <tevrak/tevrak.hpp>

#include <chrono>
#include <cstdio>
#include <string_view>

int main() {
    try {
        tevrak::Remote remote;
        remote.set_hold_delay(5);  // a held key repeats after five events
        std::puts("press keys on the remote; 0 ends");
        for (;;) {
            const auto key = remote.get_for(std::chrono::seconds(10));
            if (!key) {
                std::puts("no key for 10 s");
                continue;
            }
            const std::string_view name = tevrak::key_name(*key);
            std::printf("key '%c' (%d) %.*s\n", *key, static_cast<unsigned char>(*key), static_cast<int>(name.size()),
                        name.data());
            if (*key == static_cast<char>(tevrak::Key::DIGIT_0)) break;
        }
    } catch (const tevrak::StartupError &) {
        std::fprintf(stderr, "\nremote_keys: no infrared daemon is running\n");
        return 1;
    } catch (const tevrak::Error &error) {
        std::fprintf(stderr, "remote_keys: %s\n", error.what());
        return 1;
    }
    return 0;
}
