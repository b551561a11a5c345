#include "tevrak/listmenu.h"

#include <cstdio>
#include <cstdlib>

#include "menu/allocation.h"
#include "menu/room.h"
#include "menu/state.h"
#include "platform/message.h"

namespace tevrak::menu {
namespace {

constexpr const char *kNoMemory = "ERROR: unable to allocate memory for chooser\n";
constexpr const char *kOutsideBounds = "WARNING: attempted to change text of item outside bounds\n";

template <std::size_t N>
void copy_text(char (&field)[N], const char *text) {
    state.outside.copy_text(field, text, static_cast<int>(N));
}

bool holds_item(const LMMenu &menu, std::int32_t index) {
    return index >= 0 && index < menu.size && menu.items != nullptr;
}

// Returned for a current index with no item behind it; rewritten on every
// use so that a caller's write cannot leak into the next result.
char empty_text[1];

}  // namespace
}  // namespace tevrak::menu

namespace menu = tevrak::menu;

extern "C" {

void LMInit(LMMenu *m, const char *title) {
    if (m == nullptr) return;
    LCDFBInfo info{};
    menu::state.outside.frame_buffer_info(&info);
    menu::copy_text(m->title, title);
    m->fgColor = menu::state.outside.color_from_name("white");
    m->bgColor = menu::state.outside.color_from_name("blue");
    m->size = 0;
    m->auxA = 0;
    m->auxB = 0;
    m->index = 0;
    m->scroll = 0;
    m->auxC = 0;
    m->fbValue = info.lineLength;
}

void LMAddItem(LMMenu *m, const char *text, int32_t value) {
    if (m == nullptr) return;
    LMItem *grown = menu::grow_by_one(m->items, m->size);
    if (grown == nullptr) {
        tevrak::write_message(stdout, menu::kNoMemory);
        return;
    }
    m->items = grown;
    LMItem &item = grown[m->size];
    m->size += 1;

    item = LMItem{};
    menu::copy_text(item.text, text);
    item.fgColor = menu::state.outside.color_from_name("red");
    item.bgColor = menu::state.outside.color_from_name("aquamarine");
    item.userData = value;

    if (m->size > menu::list_room(gLCDHandle)) m->scroll = 1;
}

void LMFreeItems(LMMenu *m) {
    if (m == nullptr) return;
    // Only an array the menu holds items in is its own; with size 0 the
    // pointer may be left over from before LMInit.
    if (m->size > 0) std::free(m->items);
    m->items = nullptr;
    m->size = 0;
    m->scroll = 0;
}

void LMChangeItemText(LMMenu *m, const char *text, int32_t index) {
    if (m == nullptr) return;
    if (!menu::holds_item(*m, index)) {
        tevrak::write_message(stderr, menu::kOutsideBounds);
        return;
    }
    menu::copy_text(m->items[index].text, text);
}

void LMToggleScroll(LMMenu *m) {
    if (m == nullptr) return;
    m->scroll = m->scroll == 0 ? 1 : 0;
}

int32_t LMSize(LMMenu m) { return m.size; }

int32_t LMGetScroll(LMMenu m) { return m.scroll; }

int32_t LMGetIndex(LMMenu m) { return m.index; }

char *LMGetItemText(LMMenu m) {
    if (!menu::holds_item(m, m.index)) {
        menu::empty_text[0] = '\0';
        return menu::empty_text;
    }
    return m.items[m.index].text;
}

}  // extern "C"
