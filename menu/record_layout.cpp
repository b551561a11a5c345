// The menu records are read by the screen unit's drawing code: any change of
// field order or width must fail the build here.
#include <cstddef>
#include <cstdint>

#include "tevrak/listmenu.h"

namespace tevrak::menu {
namespace {

constexpr std::size_t kWord = 4;
constexpr std::size_t kPointer = sizeof(void *);

constexpr std::size_t round_up(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

static_assert(sizeof(LCDColor) == 3 * kWord, "a colour record is three 32-bit words");
static_assert(alignof(LCDColor) == kWord);

static_assert(offsetof(LMItem, text) == 0);
static_assert(sizeof(LMItem{}.text) == 32);
static_assert(offsetof(LMItem, fgColor) == 32);
static_assert(offsetof(LMItem, bgColor) == 44);
static_assert(offsetof(LMItem, userData) == 56);
static_assert(sizeof(LMItem{}.userData) == kWord);
static_assert(sizeof(LMItem) == 60);

static_assert(offsetof(LMMenu, title) == 0);
static_assert(sizeof(LMMenu{}.title) == 64);
static_assert(offsetof(LMMenu, fgColor) == 64);
static_assert(offsetof(LMMenu, bgColor) == 76);
static_assert(offsetof(LMMenu, size) == 88);
static_assert(offsetof(LMMenu, auxA) == 92);
static_assert(offsetof(LMMenu, fbValue) == 96);
static_assert(offsetof(LMMenu, auxB) == 100);
static_assert(offsetof(LMMenu, scroll) == 104);
static_assert(offsetof(LMMenu, index) == 108);
static_assert(offsetof(LMMenu, items) == round_up(112, kPointer));
static_assert(offsetof(LMMenu, auxC) == offsetof(LMMenu, items) + kPointer);
static_assert(sizeof(LMMenu) == round_up(offsetof(LMMenu, auxC) + kWord, alignof(LMMenu)));

// The menu keeps the sixth word of the frame-buffer information.
static_assert(offsetof(LCDFBInfo, lineLength) == 5 * kWord);

}  // namespace
}  // namespace tevrak::menu
