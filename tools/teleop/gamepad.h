// A gamepad through SDL2: the left stick drives, and only while the
// dead-man button is held. Release it, unplug the pad or lose it: the
// demand drops to zero at the next look (every 20 ms). A pad plugged in
// later is taken up.
#pragma once

#include <SDL.h>

#include <string>

#include "tools/teleop/demand.h"
#include "tools/teleop/input.h"

namespace tevrak::teleop {

// The dead-man control: a button, a trigger (pressed past half way) or,
// for a pad SDL has no mapping for, a button by number.
struct DeadmanControl {
    SDL_GameControllerButton button = SDL_CONTROLLER_BUTTON_INVALID;
    SDL_GameControllerAxis trigger = SDL_CONTROLLER_AXIS_INVALID;
    int raw_button = -1;
};

// Resolves a button's name: SDL's names ("leftshoulder", "a"), the common
// pads' labels ("lb", "l1", "cross", "lt", ...) or a number. Nothing for an
// unknown name.
std::optional<DeadmanControl> deadman_from_name(const std::string &name);

class Gamepad : public Input {
public:
    // SDL's joystick and game controller parts must start, and the extra
    // mappings (a file; empty: none) be read; throws std::runtime_error
    // with SDL's reason otherwise.
    Gamepad(const Limits &limits, DeadmanControl deadman, const std::string &mappings = {});
    ~Gamepad() override;
    Gamepad(const Gamepad &) = delete;
    Gamepad &operator=(const Gamepad &) = delete;

    const char *name() const override { return "pad"; }
    std::optional<Clock::time_point> deadline() const override { return next_look_; }
    void on_time(Clock::time_point now) override;
    Demand demand() const override { return demand_; }
    std::string state() const override;

private:
    void open_first();
    void close();
    bool deadman_held() const;
    int axis(SDL_GameControllerAxis axis, int raw_axis) const;

    Limits limits_;
    DeadmanControl deadman_;
    SDL_GameController *controller_ = nullptr;
    SDL_Joystick *joystick_ = nullptr;  // the controller's, or a pad without mapping
    SDL_JoystickID id_ = -1;
    bool held_ = false;
    Demand demand_;
    Clock::time_point next_look_{};
};

}  // namespace tevrak::teleop
