#include "tools/teleop/gamepad.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "tools/teleop/inputs.h"

namespace tevrak::teleop {
namespace {

using std::chrono::milliseconds;

// How often the pad is looked at: a release stops within this and a send.
constexpr milliseconds kLookPeriod{20};
// The stick's middle that counts as zero (worn sticks do not centre).
constexpr double kDeadZone = 0.15;
constexpr int kAxisFull = 32767;
// A trigger counts as pressed past half way.
constexpr int kTriggerPressed = 16384;

// The labels printed on common pads, by SDL's name of the position.
constexpr std::pair<const char *, const char *> kLabels[] = {
    {"lb", "leftshoulder"},  {"l1", "leftshoulder"}, {"l", "leftshoulder"},  {"rb", "rightshoulder"},
    {"r1", "rightshoulder"}, {"r", "rightshoulder"}, {"cross", "a"},         {"circle", "b"},
    {"square", "x"},         {"triangle", "y"},      {"lt", "lefttrigger"},  {"l2", "lefttrigger"},
    {"zl", "lefttrigger"},   {"rt", "righttrigger"}, {"r2", "righttrigger"}, {"zr", "righttrigger"},
};

double shaped(int raw) {
    const double value = std::clamp(raw / static_cast<double>(kAxisFull), -1.0, 1.0);
    if (std::fabs(value) < kDeadZone) return 0;
    return std::copysign((std::fabs(value) - kDeadZone) / (1 - kDeadZone), value);
}

// A pad's name comes from the device: control bytes (a terminal's escape
// sequences) are shown as '?', never sent to the terminal.
std::string printable(const char *text) {
    std::string shown = text ? text : "unnamed";
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

void start_sdl() {
    // SDL must leave SIGINT and SIGTERM to the tool, and a pad is read
    // without any window having the focus.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        throw std::runtime_error(std::string("SDL cannot read pads: ") + SDL_GetError());
    }
}

}  // namespace

std::optional<DeadmanControl> deadman_from_name(const std::string &name) {
    std::string sdl_name = name;
    for (const auto &[label, position] : kLabels) {
        if (name == label) sdl_name = position;
    }
    DeadmanControl control;
    control.button = SDL_GameControllerGetButtonFromString(sdl_name.c_str());
    if (control.button != SDL_CONTROLLER_BUTTON_INVALID) return control;
    control.trigger = SDL_GameControllerGetAxisFromString(sdl_name.c_str());
    if (control.trigger == SDL_CONTROLLER_AXIS_TRIGGERLEFT || control.trigger == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        return control;
    }
    char *end = nullptr;
    const long number = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0' && number >= 0 && number < 64) return DeadmanControl{.raw_button = int(number)};
    return std::nullopt;
}

Gamepad::Gamepad(const Limits &limits, DeadmanControl deadman, const std::string &mappings)
        : limits_(limits), deadman_(deadman) {
    start_sdl();
    if (!mappings.empty() && SDL_GameControllerAddMappingsFromFile(mappings.c_str()) < 0) {
        const std::string reason = mappings + ": " + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        throw std::runtime_error(reason);
    }
    open_first();
}

Gamepad::~Gamepad() {
    close();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Gamepad::open_first() {
    for (int index = 0; index < SDL_NumJoysticks() && !joystick_; ++index) {
        if (SDL_IsGameController(index)) {
            controller_ = SDL_GameControllerOpen(index);
            joystick_ = controller_ ? SDL_GameControllerGetJoystick(controller_) : nullptr;
        } else {
            joystick_ = SDL_JoystickOpen(index);
        }
    }
    if (joystick_) id_ = SDL_JoystickInstanceID(joystick_);
}

void Gamepad::close() {
    if (controller_)
        SDL_GameControllerClose(controller_);
    else if (joystick_)
        SDL_JoystickClose(joystick_);
    controller_ = nullptr;
    joystick_ = nullptr;
    id_ = -1;
}

bool Gamepad::deadman_held() const {
    if (controller_ && deadman_.button != SDL_CONTROLLER_BUTTON_INVALID) {
        return SDL_GameControllerGetButton(controller_, deadman_.button) != 0;
    }
    if (controller_ && deadman_.trigger != SDL_CONTROLLER_AXIS_INVALID) {
        return SDL_GameControllerGetAxis(controller_, deadman_.trigger) > kTriggerPressed;
    }
    // A named button on a pad without mapping is never held: it cannot drive.
    return deadman_.raw_button >= 0 && deadman_.raw_button < SDL_JoystickNumButtons(joystick_) &&
           SDL_JoystickGetButton(joystick_, deadman_.raw_button) != 0;
}

int Gamepad::axis(SDL_GameControllerAxis axis, int raw_axis) const {
    if (controller_) return SDL_GameControllerGetAxis(controller_, axis);
    return raw_axis < SDL_JoystickNumAxes(joystick_) ? SDL_JoystickGetAxis(joystick_, raw_axis) : 0;
}

void Gamepad::on_time(Clock::time_point now) {
    next_look_ = now + kLookPeriod;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        const bool removed = event.type == SDL_JOYDEVICEREMOVED || event.type == SDL_CONTROLLERDEVICEREMOVED;
        if (removed && event.jdevice.which == id_) close();
    }
    if (joystick_ && !SDL_JoystickGetAttached(joystick_)) close();
    if (!joystick_) open_first();

    Demand demand;
    held_ = joystick_ && deadman_held();
    if (held_) {
        // Stick up (negative) drives forward, stick left (negative) turns left.
        demand.linear = static_cast<int>(std::lround(-shaped(axis(SDL_CONTROLLER_AXIS_LEFTY, 1)) * limits_.max_linear));
        demand.angular =
            static_cast<int>(std::lround(-shaped(axis(SDL_CONTROLLER_AXIS_LEFTX, 0)) * limits_.max_angular));
    }
    if (!(demand == demand_)) note_change(now);
    demand_ = demand;
}

std::string Gamepad::state() const {
    if (!joystick_) return "no pad";
    return held_ ? "dead-man held" : "dead-man up";
}

std::unique_ptr<Input> make_pad(const Options &options, std::string &error) {
    const auto deadman = deadman_from_name(options.deadman);
    if (!deadman) {
        error = "--deadman " + options.deadman + ": no such button (see the pad mapping in the docs)";
        return nullptr;
    }
    try {
        return std::make_unique<Gamepad>(options.limits, *deadman, options.pad_mappings);
    } catch (const std::runtime_error &failure) {
        error = failure.what();
        return nullptr;
    }
}

int list_pads(const Options &options) {
    try {
        start_sdl();
    } catch (const std::runtime_error &failure) {
        std::fprintf(stderr, "tevrak-teleop: %s\n", failure.what());
        return 1;
    }
    if (!options.pad_mappings.empty()) SDL_GameControllerAddMappingsFromFile(options.pad_mappings.c_str());
    const int count = SDL_NumJoysticks();
    if (count <= 0) std::puts("no pads found");
    for (int index = 0; index < count; ++index) {
        char guid[40];
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
        std::printf("pad %d: %s (guid %s)\n", index, printable(SDL_JoystickNameForIndex(index)).c_str(), guid);
        if (char *mapping = SDL_GameControllerMappingForDeviceIndex(index)) {
            std::printf("  buttons by name: %s\n", printable(mapping).c_str());
            SDL_free(mapping);
        } else if (SDL_Joystick *joystick = SDL_JoystickOpen(index)) {
            std::printf("  no mapping: %d buttons by number (--deadman N), %d axes\n", SDL_JoystickNumButtons(joystick),
                        SDL_JoystickNumAxes(joystick));
            SDL_JoystickClose(joystick);
        }
    }
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    return 0;
}

}  // namespace tevrak::teleop
