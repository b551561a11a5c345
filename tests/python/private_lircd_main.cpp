// The private lirc daemon of the C++ tests, for the Python tests: starts it
// in FOLDER, prints "ready <socket>", then presses one button per line of
// standard input ("KEY_1" or "KEY_UP 3" for a repeat count), answering "ok"
// or "failed", and stops the daemon at the end of its input.
//
//   tevrak-test-lircd FOLDER
#include <cstdio>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>

#include "remote/private_lircd.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tevrak-test-lircd FOLDER\n");
        return 2;
    }
    try {
        tevrak::test::PrivateLircd daemon(argv[1]);
        std::cout << "ready " << daemon.socket_path() << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
            std::istringstream fields(line);
            std::string button;
            int repeat = 0;
            if (!(fields >> button)) continue;
            fields >> repeat;
            std::cout << (daemon.press(button, repeat) ? "ok" : "failed") << std::endl;
        }
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "tevrak-test-lircd: %s\n", failure.what());
        return 1;
    }
    return 0;
}
