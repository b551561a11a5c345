// Starts a simulated controller board, lets the library discover it through
// a generated hdt.txt and device listing (as on the robot), opens interface
// 1, runs the link check and tells what happened.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "board.h"
#include "protocol/paths.h"
#include "serial/serial_state.h"
#include "tevrak/serial.h"

int main() {
    namespace fs = std::filesystem;
    const std::string home = tevrak::paths::home();
    fs::create_directories(home + "/bin");
    fs::create_directories(home + "/dev");

    tevrak::sim::Board board(home + "/dev/ttyBOARD");
    std::ofstream(home + "/bin/hdt.txt") << "USB 1 board\n";
    std::ofstream(home + "/bin/usbSearch.txt") << "usb-Sim_board-1:" << board.device_path() << "\n";
    std::ofstream(home + "/bin/usbSearch") << "#!/bin/sh\nexec cat '" << home << "/bin/usbSearch.txt'\n";
    ::chmod((home + "/bin/usbSearch").c_str(), 0755);

    std::printf("simulated board on %s (link %s)\n", board.terminal_path().c_str(), board.device_path().c_str());
    const int opened = SERInit(1, 115200, 0);
    std::printf("SERInit(1, 115200, 0) = %d, interface 1 path %s\n", opened, tevrak::serial::USBPATH1);
    const int check = SERCheck(1);
    std::printf("SERCheck(1) = %d after %d probe(s): the board %s\n", check, board.probes(),
                check == 0 ? "answered '>'" : "did not answer");
    SERClose(1);
    return check;
}
