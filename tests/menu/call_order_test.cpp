// The calls the menu makes to the screen and operating-system units, in
// order. The menu's outside-call seam routes every such call through the
// recorders below on its way to the stand-ins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menu/testing.h"
#include "menu_fixture.h"

namespace {

struct Call {
    std::string what;
    const void *where = nullptr;
    int bound = 0;
    bool operator==(const Call &) const = default;
};

std::vector<Call> calls;

LCDColor record_color(const char *name) {
    calls.push_back({std::string("color ") + name});
    return LCDGetColorFromName(name);
}

int record_fb_info(LCDFBInfo *info) {
    calls.push_back({"fbinfo"});
    return LCDGetFBInfo(info);
}

void record_copy(char *dest, const char *src, int n) {
    calls.push_back({std::string("copy ") + src, dest, n});
    OSStrcpy_n(dest, src, n);
}

}  // namespace

namespace {

using tevrak::test::ListMenu;
using tevrak::test::MenuRecord;

TEST_F(ListMenu, CallsToTheOutsideUnitsInOrder) {
    const tevrak::menu::OutsideCalls recorders{record_fb_info, record_color, record_copy};
    tevrak::menu::set_outside_calls(&recorders);
    LMMenu menu;
    calls.clear();
    LMInit(&menu, "Main");
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"fbinfo"},
                         {"copy Main", menu.title, 64},
                         {"color white"},
                         {"color blue"},
                     }));
    EXPECT_EQ(menu.fgColor, (LCDColor{255, 255, 255})) << "the recorded calls reach the screen unit";

    calls.clear();
    LMAddItem(&menu, "first", 1);
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"copy first", menu.items[0].text, 32},
                         {"color red"},
                         {"color aquamarine"},
                     }));

    calls.clear();
    LMAddItem(&menu, "second", 2);
    LMChangeItemText(&menu, "renamed", 1);
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"copy second", menu.items[1].text, 32},
                         {"color red"},
                         {"color aquamarine"},
                         {"copy renamed", menu.items[1].text, 32},
                     }));

    calls.clear();
    testing::internal::CaptureStderr();
    LMChangeItemText(&menu, "nowhere", 2);
    testing::internal::GetCapturedStderr();
    LMToggleScroll(&menu);
    LMGetItemText(menu);
    LMFreeItems(&menu);
    EXPECT_TRUE(calls.empty()) << "no outside call from the other operations";

    tevrak::menu::reset();
    MenuRecord plain;
    EXPECT_TRUE(calls.empty()) << "reset puts the stand-ins back";
}

}  // namespace
