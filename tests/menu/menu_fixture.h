// A screen set up for menu tests and a menu record whose items are released
// when the test ends, whatever happens in between.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tevrak/listmenu.h"

inline bool operator==(const LCDColor &a, const LCDColor &b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

namespace tevrak::test {

inline void set_screen(int height, int font_height) {
    LCDInit();
    gLCDHandle->height = height;
    gLCDHandle->fontHeight = font_height;
}

// A menu record filled with a byte pattern (as an uninitialised record on the
// stack would be) and then initialised with LMInit.
struct MenuRecord {
    LMMenu menu;

    explicit MenuRecord(const char *title = "Main") {
        std::memset(&menu, 0xA5, sizeof menu);
        LMInit(&menu, title);
    }
    ~MenuRecord() { LMFreeItems(&menu); }
    MenuRecord(const MenuRecord &) = delete;
    MenuRecord &operator=(const MenuRecord &) = delete;

    void add(int count, int first_value = 0) {
        for (int i = 0; i < count; ++i) {
            LMAddItem(&menu, ("item " + std::to_string(first_value + i)).c_str(), first_value + i);
        }
    }
};

class ListMenu : public ::testing::Test {
protected:
    void SetUp() override { set_screen(240, 10); }
    void TearDown() override { LCDRelease(); }
};

}  // namespace tevrak::test
