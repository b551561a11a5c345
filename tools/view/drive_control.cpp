#include "tools/view/drive_control.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "tevrak/tevrak.hpp"

namespace tevrak::view {

std::string make_drive_token() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("no random numbers for the control token");
        got += static_cast<std::size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char byte : bytes) {
        token += kHex[byte >> 4];
        token += kHex[byte & 0xf];
    }
    return token;
}

DriveControl::DriveControl(sim::view::DriveLease::Limits limits)
        : lease_(std::make_unique<sim::view::DriveLease>(
              [this](int linear, int angular) { set_speed(linear, angular); }, limits)) {}

DriveControl::~DriveControl() { lease_.reset(); }

std::string DriveControl::take(int linear, int angular) {
    lease_->take(linear, angular);
    std::lock_guard lock(error_mutex_);
    return error_;
}

void DriveControl::set_speed(int linear, int angular) {
    try {
        if (!drive_) drive_ = std::make_unique<Drive>();
        drive_->set_speed(linear, angular);
        std::lock_guard lock(error_mutex_);
        error_.clear();
    } catch (const Error &failure) {
        std::lock_guard lock(error_mutex_);
        if (error_ != failure.what()) std::fprintf(stderr, "tevrak-view: the drive: %s\n", failure.what());
        error_ = failure.what();
    }
}

}  // namespace tevrak::view
