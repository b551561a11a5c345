#include "tevrak/lcd.h"

#include <array>
#include <string_view>

namespace tevrak::screen {
namespace {

struct NamedColor {
    std::string_view name;
    LCDColor color;
};

constexpr std::array<NamedColor, 12> kColors{{
    {"black", {0, 0, 0}},
    {"white", {255, 255, 255}},
    {"red", {255, 0, 0}},
    {"green", {0, 128, 0}},
    {"lime", {0, 255, 0}},
    {"blue", {0, 0, 255}},
    {"yellow", {255, 255, 0}},
    {"cyan", {0, 255, 255}},
    {"magenta", {255, 0, 255}},
    {"gray", {128, 128, 128}},
    {"orange", {255, 165, 0}},
    {"aquamarine", {127, 255, 212}},
}};

// The one screen this stand-in knows; gLCDHandle points here once set up.
LCDState screen_state{};

constexpr LCDState default_screen() {
    constexpr int32_t width = 320;
    constexpr int32_t height = 240;
    constexpr int32_t bits = 32;
    constexpr int32_t line = width * bits / 8;
    return LCDState{width, height, 8, 10, LCDFBInfo{width, height, width, height, bits, line, line * height, 0}};
}

}  // namespace
}  // namespace tevrak::screen

extern "C" {

LCDState *gLCDHandle = nullptr;

int LCDInit(void) {
    tevrak::screen::screen_state = tevrak::screen::default_screen();
    gLCDHandle = &tevrak::screen::screen_state;
    return 0;
}

void LCDRelease(void) { gLCDHandle = nullptr; }

int LCDGetFBInfo(LCDFBInfo *info) {
    if (info == nullptr) return 1;
    if (gLCDHandle == nullptr) {
        *info = LCDFBInfo{};
        return 1;
    }
    *info = gLCDHandle->fbInfo;
    return 0;
}

LCDColor LCDGetColorFromName(const char *name) {
    if (name != nullptr) {
        const std::string_view wanted{name};
        for (const auto &entry : tevrak::screen::kColors) {
            if (entry.name == wanted) return entry.color;
        }
    }
    return LCDColor{0, 0, 0};
}

}  // extern "C"
