// Building, editing, querying and releasing menus.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "menu_fixture.h"
#include "support/board_fixture.h"
#include "tevrak/lcd.h"

namespace {

using tevrak::test::ListMenu;
using tevrak::test::MenuRecord;
using tevrak::test::OutputCapture;

constexpr const char *kWarning = "WARNING: attempted to change text of item outside bounds\n";

std::vector<unsigned char> bytes_of(const void *data, std::size_t size) {
    const auto *first = static_cast<const unsigned char *>(data);
    return {first, first + size};
}

TEST_F(ListMenu, InitSetsEveryFieldButItems) {
    gLCDHandle->fbInfo.lineLength = 0x1234;
    LMMenu menu;
    std::memset(&menu, 0xA5, sizeof menu);
    LMItem *left_over = menu.items;
    LMInit(&menu, "Main menu");

    EXPECT_STREQ(menu.title, "Main menu");
    EXPECT_EQ(menu.fgColor, (LCDColor{255, 255, 255}));
    EXPECT_EQ(menu.bgColor, (LCDColor{0, 0, 255}));
    EXPECT_EQ(menu.fbValue, 0x1234) << "sixth word of the frame-buffer information";
    for (int32_t field : {menu.size, menu.auxA, menu.auxB, menu.scroll, menu.index, menu.auxC}) {
        EXPECT_EQ(field, 0);
    }
    EXPECT_EQ(menu.items, left_over) << "items is not touched";
    EXPECT_EQ(LMSize(menu), 0);
    EXPECT_EQ(LMGetScroll(menu), 0);
    EXPECT_EQ(LMGetIndex(menu), 0);

    // The pointer left over was never the menu's: releasing must not free it.
    LMFreeItems(&menu);
    EXPECT_EQ(menu.items, nullptr);
}

TEST_F(ListMenu, AddedItemsCarryTextColoursAndValue) {
    MenuRecord record;
    record.add(3, 40);
    LMMenu &menu = record.menu;
    ASSERT_EQ(LMSize(menu), 3);
    for (int i = 0; i < 3; ++i) {
        const LMItem &item = menu.items[i];
        EXPECT_EQ(std::string(item.text), "item " + std::to_string(40 + i));
        EXPECT_EQ(item.fgColor, (LCDColor{255, 0, 0}));
        EXPECT_EQ(item.bgColor, (LCDColor{127, 255, 212}));
        EXPECT_EQ(item.userData, 40 + i);
    }
    EXPECT_EQ(menu.index, 0) << "adding never moves the current item";
}

TEST_F(ListMenu, ScreenOf240With10PointFontHoldsTenItems) {
    MenuRecord record;
    for (int n = 1; n <= 10; ++n) {
        record.add(1, n);
        EXPECT_EQ(LMGetScroll(record.menu), 0) << "after item " << n;
    }
    record.add(1, 11);
    EXPECT_EQ(LMGetScroll(record.menu), 1) << "the 11th item no longer fits";
    EXPECT_EQ(LMSize(record.menu), 11);
}

TEST_F(ListMenu, SmallOrMissingScreensHaveRoomForOneItem) {
    struct Case {
        const char *what;
        int height;
        int font_height;
        bool initialised;
    };
    const Case cases[] = {
        {"two rows", 40, 10, true},      {"one row", 20, 10, true},          {"no row", 5, 10, true},
        {"font height 0", 240, 0, true}, {"screen not set up", 0, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tevrak::test::set_screen(c.height, c.font_height);
        if (!c.initialised) LCDRelease();
        MenuRecord record;
        record.add(1);
        EXPECT_EQ(LMGetScroll(record.menu), 0);
        record.add(1);
        EXPECT_EQ(LMGetScroll(record.menu), 1);
    }
}

TEST_F(ListMenu, ExtremeScreenMetricsDoNotOverflow) {
    tevrak::test::set_screen(INT32_MAX, INT32_MAX);
    MenuRecord huge_font;
    huge_font.add(2);
    EXPECT_EQ(LMGetScroll(huge_font.menu), 1);

    tevrak::test::set_screen(INT32_MIN, -1);
    MenuRecord negative;
    negative.add(2);
    EXPECT_EQ(LMGetScroll(negative.menu), 0) << "INT32_MIN / -2 rows leave plenty of room";
}

TEST_F(ListMenu, ToggleScrollAndAddItemNeverClearingIt) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    LMToggleScroll(&menu);
    EXPECT_EQ(menu.scroll, 1);
    LMToggleScroll(&menu);
    EXPECT_EQ(menu.scroll, 0);
    for (int32_t other : {7, -1, INT32_MIN}) {
        menu.scroll = other;
        LMToggleScroll(&menu);
        EXPECT_EQ(menu.scroll, 0) << other;
    }

    LMToggleScroll(&menu);
    record.add(1);
    EXPECT_EQ(menu.scroll, 1) << "an item within the room leaves a set flag alone";

    LMToggleScroll(&menu);
    record.add(10);
    EXPECT_EQ(menu.scroll, 1) << "the 11th item sets the flag again";
    LMToggleScroll(&menu);
    EXPECT_EQ(menu.scroll, 0);
    record.add(1);
    EXPECT_EQ(menu.scroll, 1) << "an item over the room sets the flag back";
}

TEST_F(ListMenu, ChangeItemTextWithinAndOutsideBounds) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    {
        OutputCapture capture;
        LMChangeItemText(&menu, "nothing there", 0);
        EXPECT_EQ(capture.err(), kWarning) << "a menu without items";
        EXPECT_EQ(capture.out(), "");
    }

    record.add(1, 9);
    const auto before = bytes_of(menu.items, sizeof(LMItem));
    for (int32_t index : {1, -1, INT32_MIN, INT32_MAX}) {
        OutputCapture capture;
        LMChangeItemText(&menu, "changed", index);
        EXPECT_EQ(capture.err(), kWarning) << index;
        EXPECT_EQ(capture.out(), "");
    }
    EXPECT_EQ(bytes_of(menu.items, sizeof(LMItem)), before) << "nothing changed";

    OutputCapture capture;
    LMChangeItemText(&menu, "changed", 0);
    EXPECT_EQ(capture.err(), "");
    EXPECT_STREQ(menu.items[0].text, "changed");
    EXPECT_EQ(menu.items[0].fgColor, (LCDColor{255, 0, 0}));
    EXPECT_EQ(menu.items[0].bgColor, (LCDColor{127, 255, 212}));
    EXPECT_EQ(menu.items[0].userData, 9);
    EXPECT_EQ(menu.size, 1);
}

TEST_F(ListMenu, ReleaseKeepsIndexAndAddStartsAFreshArray) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    record.add(12);
    menu.index = 2;
    ASSERT_EQ(menu.scroll, 1);

    LMFreeItems(&menu);
    EXPECT_EQ(LMSize(menu), 0);
    EXPECT_EQ(LMGetScroll(menu), 0);
    EXPECT_EQ(LMGetIndex(menu), 2);
    EXPECT_EQ(menu.items, nullptr);
    LMFreeItems(&menu);  // a second release is harmless
    EXPECT_EQ(LMSize(menu), 0);

    LMAddItem(&menu, "fresh", 77);
    ASSERT_EQ(LMSize(menu), 1);
    EXPECT_STREQ(menu.items[0].text, "fresh");
    EXPECT_EQ(menu.items[0].userData, 77);
    EXPECT_EQ(LMGetIndex(menu), 2);
    EXPECT_EQ(LMGetScroll(menu), 0);
    LMFreeItems(&menu);
}

TEST_F(ListMenu, ItemTextOfTheCurrentItem) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    EXPECT_STREQ(LMGetItemText(menu), "") << "no items yet";

    LMAddItem(&menu, "first", 1);
    LMAddItem(&menu, "second", 2);
    EXPECT_STREQ(LMGetItemText(menu), "first");
    EXPECT_EQ(LMGetItemText(menu), menu.items[0].text) << "points into the item array";
    menu.index = 1;
    EXPECT_STREQ(LMGetItemText(menu), "second");

    for (int32_t outside : {2, -1, INT32_MAX}) {
        menu.index = outside;
        char *text = LMGetItemText(menu);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "") << outside;
        text[0] = 'x';  // a careless caller must not spoil the next result
        EXPECT_STREQ(LMGetItemText(menu), "");
    }
}

TEST_F(ListMenu, LongTextsAreCutAtTheirFields) {
    const std::string long_title(100, 'T');
    const std::string long_text(50, 'i');
    MenuRecord record(long_title.c_str());
    LMMenu &menu = record.menu;
    EXPECT_EQ(std::string(menu.title), long_title.substr(0, 63));

    LMAddItem(&menu, long_text.c_str(), 0);
    EXPECT_EQ(std::string(menu.items[0].text), long_text.substr(0, 31));

    const std::string exact(31, 'e');
    LMAddItem(&menu, exact.c_str(), 0);
    EXPECT_EQ(std::string(menu.items[1].text), exact);
    EXPECT_EQ(menu.items[1].fgColor, (LCDColor{255, 0, 0})) << "the cut left the next field alone";

    LMChangeItemText(&menu, std::string(40, 'c').c_str(), 0);
    EXPECT_EQ(std::string(menu.items[0].text), std::string(31, 'c'));
    EXPECT_EQ(menu.items[0].fgColor, (LCDColor{255, 0, 0}));

    const std::string exact_title(63, 'x');
    MenuRecord fitting(exact_title.c_str());
    EXPECT_EQ(std::string(fitting.menu.title), exact_title);
    EXPECT_EQ(fitting.menu.fgColor, (LCDColor{255, 255, 255}));
}

// Names as given, by value; anything else is black.
TEST(ScreenColours, KnownNamesAndTheRest) {
    using Rgb = std::array<std::int32_t, 3>;
    const std::pair<const char *, Rgb> cases[] = {
        {"green", {0, 128, 0}}, {"lime", {0, 255, 0}}, {"aquamarine", {127, 255, 212}},
        {"Green", {0, 0, 0}},   {"purple", {0, 0, 0}}, {"", {0, 0, 0}},
        {nullptr, {0, 0, 0}}};
    for (const auto &[name, rgb] : cases) {
        const LCDColor colour = LCDGetColorFromName(name);
        EXPECT_EQ((Rgb{colour.red, colour.green, colour.blue}), rgb) << (name ? name : "null");
    }
}

}  // namespace
