// The calls the menu makes to the screen and operating-system units, in
// order. This program is linked with --wrap for those functions, so every
// call from the menu passes through the recorders below on its way to the
// stand-ins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menu_fixture.h"

extern "C" {
LCDColor __real_LCDGetColorFromName(const char *name);
int __real_LCDGetFBInfo(LCDFBInfo *info);
void __real_OSStrcpy_n(char *dest, const char *src, int n);
}

namespace {

struct Call {
    std::string what;
    const void *where = nullptr;
    int bound = 0;
    bool operator==(const Call &) const = default;
};

std::vector<Call> calls;

}  // namespace

extern "C" {

LCDColor __wrap_LCDGetColorFromName(const char *name) {
    calls.push_back({std::string("color ") + name});
    return __real_LCDGetColorFromName(name);
}

int __wrap_LCDGetFBInfo(LCDFBInfo *info) {
    calls.push_back({"fbinfo"});
    return __real_LCDGetFBInfo(info);
}

void __wrap_OSStrcpy_n(char *dest, const char *src, int n) {
    calls.push_back({std::string("copy ") + src, dest, n});
    __real_OSStrcpy_n(dest, src, n);
}

}  // extern "C"

namespace {

using tevrak::test::ListMenu;

TEST_F(ListMenu, CallsToTheOutsideUnitsInOrder) {
    LMMenu menu;
    calls.clear();
    LMInit(&menu, "Main");
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"fbinfo"},
                         {"copy Main", menu.title, 64},
                         {"color white"},
                         {"color blue"},
                     }));
    EXPECT_EQ(menu.fgColor, (LCDColor{255, 255, 255})) << "the wrapped calls reach the screen unit";

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
}

}  // namespace
