#include "fake_serial.h"

#include "tevrak/serial.h"

namespace tevrak::fuzz {
namespace {

const std::uint8_t *input = nullptr;
std::size_t remaining = 0;

int next_byte() {
    if (remaining == 0) return -1;
    --remaining;
    return *input++;
}

}  // namespace

void set_board_bytes(const std::uint8_t *data, std::size_t size) {
    input = data;
    remaining = size;
}

std::uint8_t take_choice() {
    const int b = next_byte();
    return b < 0 ? 0 : static_cast<std::uint8_t>(b);
}

bool exhausted() { return remaining == 0; }

}  // namespace tevrak::fuzz

using tevrak::fuzz::take_choice;

extern "C" {

int SERGetPaths(void) { return 0; }
int SERInit(int, int, int) { return 0; }
int SERSet_interface_attribs(int, int, int, int) { return 0; }
void SERSet_blocking(int, int) {}
int SERSendChar(int, char) { return 0; }
int SERSend(int, const char *) { return 0; }
int SERFlush(int) { return 0; }
int SERClose(int) { return 0; }

int SERCheck(int) {
    if (tevrak::fuzz::exhausted()) return 1;
    return take_choice() == 0 ? 1 : 0;
}

int SERReceiveChar(int) {
    if (tevrak::fuzz::exhausted()) return -1;
    const std::uint8_t b = take_choice();
    if (b != 0xEE || tevrak::fuzz::exhausted()) return b;
    return take_choice() == 0 ? -1 : 0xEE;
}

int SERReceive(int, char *buffer, int size) {
    if (tevrak::fuzz::exhausted() || size <= 0) return 0;
    const int count = 1 + take_choice() % size;
    for (int i = 0; i < count; ++i) buffer[i] = static_cast<char>(take_choice());
    return count;
}

}  // extern "C"
