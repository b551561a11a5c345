#include <new>
#include <stdexcept>
#include <utility>

#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

// Leaves a record without items, so that releasing it frees nothing.
void forget_items(LMMenu &menu) {
    menu.items = nullptr;
    menu.size = 0;
    menu.scroll = 0;
}

void check_index(const LMMenu &menu, int index) {
    if (index < 0 || index >= menu.size) throw std::out_of_range("tevrak::ListMenu: no item " + std::to_string(index));
}

}  // namespace

ListMenu::ListMenu(const std::string &title) { LMInit(&menu_, title.c_str()); }

ListMenu::~ListMenu() { LMFreeItems(&menu_); }

ListMenu::ListMenu(ListMenu &&other) noexcept : menu_(other.menu_) { forget_items(other.menu_); }

ListMenu &ListMenu::operator=(ListMenu &&other) noexcept {
    if (this != &other) {
        LMFreeItems(&menu_);
        menu_ = other.menu_;
        forget_items(other.menu_);
    }
    return *this;
}

void ListMenu::add(const std::string &text, std::int32_t value) {
    const std::int32_t before = menu_.size;
    LMAddItem(&menu_, text.c_str(), value);
    if (menu_.size == before) throw std::bad_alloc();
}

void ListMenu::set_text(int index, const std::string &text) {
    check_index(menu_, index);
    LMChangeItemText(&menu_, text.c_str(), index);
}

void ListMenu::toggle_scroll() { LMToggleScroll(&menu_); }

std::string_view ListMenu::current_text() const { return LMGetItemText(menu_); }

const LMItem &ListMenu::item(int index) const {
    check_index(menu_, index);
    return menu_.items[index];
}

}  // namespace tevrak
