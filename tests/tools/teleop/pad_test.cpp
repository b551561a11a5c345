// tevrak-teleop's pad input against tevrak-sim, with SDL's virtual joystick
// in this process (no display, no real pad): the stick drives only while the
// dead-man button is held; releasing it or detaching the pad stops the
// robot within 0.1 s (asserted with a loose bound, measured tightly).
#include <SDL.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/board_fixture.h"
#include "tools/teleop/gamepad.h"
#include "tools/teleop/inputs.h"
#include "tools/teleop/teleop.h"
#include "tools/teleop/teleop_support.h"

namespace tevrak::test {
namespace {

using namespace std::chrono_literals;
using teleop::Teleop;

enum class End { release, detach, quit };

struct PadCase {
    const char *name;
    bool deadman;  // held while the stick is pushed
    int stick_x, stick_y;
    SimSpeed want;  // zero: must not move at all
    End end;
};

void PrintTo(const PadCase &c, std::ostream *out) { *out << c.name; }

constexpr int kFull = 32767;

const PadCase kPadCases[] = {
    {"StickWithoutDeadmanDoesNotMove", false, 0, -kFull, {0, 0}, End::quit},
    {"FullStickForwardThenRelease", true, 0, -kFull, {150, 0}, End::release},
    {"FullStickLeftThenDetach", true, -kFull, 0, {0, board_angular(90)}, End::detach},
    {"HalfStickBackThenQuit", true, 0, kFull / 2, {-62, 0}, End::quit},
};

class TeleopPad : public testing::TestWithParam<PadCase> {
protected:
    TeleopPad() {
        // No display and no real pads: only the virtual one.
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::setenv("SDL_JOYSTICK_HIDAPI", "0", 1);
        ::setenv("SDL_JOYSTICK_DISABLE_UDEV", "1", 1);
    }
    TeleopSim robot;
};

TEST_P(TeleopPad, DeadmanGuardsTheStick) {
    const PadCase &c = GetParam();
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick *pad = SDL_JoystickOpen(index);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    const char *deadman = SDL_IsGameController(index) ? "lb" : "4";

    teleop::LoopSettings settings;
    settings.status = nullptr;
    Teleop loop(settings);
    loop.add(std::make_unique<teleop::Gamepad>(settings.limits, *teleop::deadman_from_name(deadman)));
    // The loop runs beside the test and ends with it, a failed assertion too.
    teleop::Ending ending;
    std::thread runner([&] {
        try {
            ending = loop.run();
        } catch (const std::exception &error) {
            ending = {-1, error.what()};
        }
    });
    struct Join {
        Teleop &loop;
        std::thread &runner;
        ~Join() {
            loop.quit();
            if (runner.joinable()) runner.join();
        }
    } join{loop, runner};

    const auto pushed = std::chrono::steady_clock::now();
    SDL_JoystickSetVirtualAxis(pad, 0, static_cast<Sint16>(c.stick_x));
    SDL_JoystickSetVirtualAxis(pad, 1, static_cast<Sint16>(c.stick_y));
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, c.deadman ? SDL_PRESSED : SDL_RELEASED);
    if (!c.want.moving()) {
        std::this_thread::sleep_for(500ms);
        EXPECT_FALSE(robot.speed().moving());
    } else {
        const auto moved = robot.wait_until(
            [&](SimSpeed s) { return s.linear == c.want.linear && s.angular == c.want.angular; }, pushed, 1500ms);
        ASSERT_TRUE(moved) << "the stick with the dead-man held did not drive; sent " << robot.sent_speeds().size()
                           << " speeds, loop: " << ending.reason;
        report_figure("stick to motion", *moved);
    }

    const auto gone = std::chrono::steady_clock::now();
    switch (c.end) {
    case End::release: SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_RELEASED); break;
    case End::detach:
        SDL_JoystickClose(pad);
        pad = nullptr;
        SDL_JoystickDetachVirtual(index);
        break;
    case End::quit: loop.quit(); break;
    }
    const auto stopped = robot.wait_until([](SimSpeed s) { return !s.moving(); }, gone, 1500ms);
    ASSERT_TRUE(stopped) << "still moving";
    if (c.want.moving()) report_figure("dead-man released or pad detached to stop", *stopped);
    // The stick stays pushed: nothing drives again.
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(robot.speed().moving());

    loop.quit();
    runner.join();
    EXPECT_EQ(ending.exit_status, 0) << ending.reason;
    for (const SimSpeed &speed : robot.sent_speeds()) {
        if (!c.want.moving()) {
            EXPECT_FALSE(speed.moving());
        }
        EXPECT_LE(std::abs(speed.linear), 150);
        EXPECT_LE(std::abs(speed.angular), board_angular(90) + 1);
    }
    if (pad) SDL_JoystickClose(pad);
    SDL_Quit();
}

INSTANTIATE_TEST_SUITE_P(Cases, TeleopPad, testing::ValuesIn(kPadCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tevrak::test

namespace tevrak::test {
namespace {

// --list-pads prints what SDL sees; a pad's name is the device's and may
// carry a terminal's escape sequences, which must not reach the terminal.
TEST(TeleopListPads, NamesThePadsWithoutTheirControlBytes) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_JOYSTICK_HIDAPI", "0", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Pad\x1b]0;owned\x07\x1b[2J";
    ASSERT_GE(SDL_JoystickAttachVirtualEx(&desc), 0) << SDL_GetError();

    OutputCapture capture;
    const int status = teleop::list_pads(teleop::Options{});
    capture.stop();
    EXPECT_EQ(status, 0);
    EXPECT_NE(capture.out().find("pad 0: Pad?]0;owned??[2J (guid "), std::string::npos) << capture.out();
    EXPECT_NE(capture.out().find("leftshoulder:b9"), std::string::npos) << capture.out();
    EXPECT_EQ(capture.out().find('\x1b'), std::string::npos);
    SDL_Quit();
}

}  // namespace
}  // namespace tevrak::test
