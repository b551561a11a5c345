#include "support/board_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace tevrak::test {
namespace {

std::string board_link(const TempHome &home) {
    std::filesystem::create_directories(home.root() + "/dev");
    return home.root() + "/dev/ttyBOARD";
}

}  // namespace

SimRobot::SimRobot(std::string_view hdt_body) : board(board_link(home)) {
    write_hdt(hdt_body);
    home.write_listing("usb-Sim_board-1:" + board.device_path() + "\n");
}

void SimRobot::write_hdt(std::string_view hdt_body) const { home.write_hdt("USB 1 board\n" + std::string(hdt_body)); }

OutputCapture::OutputCapture() {
    std::fflush(stdout);
    std::fflush(stderr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
}

OutputCapture::~OutputCapture() { stop(); }

void OutputCapture::stop() {
    if (!running_) return;
    running_ = false;
    std::fflush(stdout);
    std::fflush(stderr);
    out_ = testing::internal::GetCapturedStdout();
    err_ = testing::internal::GetCapturedStderr();
}

const std::string &OutputCapture::out() {
    stop();
    return out_;
}

const std::string &OutputCapture::err() {
    stop();
    return err_;
}

}  // namespace tevrak::test
