// Every device query decoding replies from a board that sends arbitrary
// bytes: the input chooses the operations and supplies every byte the board
// sends (see fake_serial.h).
#include <filesystem>
#include <fstream>

#include "config/paths.h"
#include "fake_serial.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // A robot folder of the fuzzer's own, with tables for every device.
    char pattern[] = "/tmp/tevrak-fuzz-XXXXXX";
    const char *root = mkdtemp(pattern);
    if (root == nullptr) return 1;
    tevrak::paths::set_home(root);
    std::filesystem::create_directories(std::string(root) + "/bin");
    std::ofstream(std::string(root) + "/bin/hdt.txt")
        << "USB 1 board\nENCODER 1 540\nDRIVE 54 90 0 1\nKINEMA 1 2 3 4\n"
           "SERVO s 20 230 st\nSERVO t -500 900 st\nTABLE st 0 17 34 51 68 85 102 119 136 153 170 187 204 221 238 255\n"
           "MOTOR m mt\nMOTOR n -\nTABLE mt -2147483648 10 20 30\n"
           "PSD p pt\nPSD q\nTABLE pt 800 700 600 500 400 300 250 200\n";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using tevrak::fuzz::take_choice;
    tevrak::fuzz::set_board_bytes(data, size);
    while (!tevrak::fuzz::exhausted()) {
        const int op = take_choice() % 12;
        const int device = static_cast<signed char>(take_choice());
        const int value = static_cast<int>(take_choice()) * 1021 - 130000;
        int a = 7, b = 7, c = 7;
        switch (op) {
        case 0: VWGetPosition(&a, &b, &c); break;
        case 1: VWGetSpeed(&a, &b); break;
        case 2: VWDriveRemain(); break;
        case 3: VWDriveDone(); break;
        case 4: VWStalled(); break;
        case 5: ENCODERRead(device); break;
        case 6: ENCODERReset(device); break;
        case 7: PSDGet(device); break;
        case 8: PSDGetRaw(device); break;
        case 9: SERVOSet(device, value); break;
        case 10: MOTORDrive(device, value); break;
        default: VWDrive(value, value * 3 + device, 100); break;
        }
    }
    return 0;
}
