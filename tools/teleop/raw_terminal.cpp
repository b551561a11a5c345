#include "tools/teleop/raw_terminal.h"

namespace tevrak::teleop {

RawTerminal::RawTerminal(int fd) : fd_(fd) {
    termios mode{};
    if (::tcgetattr(fd_, &mode) != 0) return;
    saved_ = mode;
    mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | ISTRIP);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    ::tcsetattr(fd_, TCSANOW, &mode);
}

RawTerminal::~RawTerminal() {
    if (saved_) ::tcsetattr(fd_, TCSANOW, &*saved_);
}

}  // namespace tevrak::teleop
