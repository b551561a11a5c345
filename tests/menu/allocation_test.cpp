// Growth of the item array and what a failed allocation leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "menu/testing.h"
#include "menu_fixture.h"
#include "support/board_fixture.h"

namespace {

using tevrak::test::ListMenu;
using tevrak::test::MenuRecord;
using tevrak::test::OutputCapture;

struct Request {
    void *block;
    std::size_t bytes;
};

std::vector<Request> requests;

void *recording_reallocate(void *block, std::size_t bytes) {
    requests.push_back({block, bytes});
    return block == nullptr ? std::malloc(bytes) : std::realloc(block, bytes);
}

void *failing_reallocate(void *block, std::size_t bytes) {
    requests.push_back({block, bytes});
    return nullptr;
}

class ListMenuAllocation : public ListMenu {
protected:
    void SetUp() override {
        ListMenu::SetUp();
        requests.clear();
    }
    void TearDown() override {
        tevrak::menu::set_reallocator(nullptr);
        ListMenu::TearDown();
    }
};

// The whole menu as bytes: the record, then its items.
struct Snapshot {
    std::vector<unsigned char> record;
    std::vector<unsigned char> items;
    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(const LMMenu &menu) {
    const auto *record = reinterpret_cast<const unsigned char *>(&menu);
    Snapshot taken{{record, record + sizeof menu}, {}};
    if (menu.size > 0) {
        const auto *items = reinterpret_cast<const unsigned char *>(menu.items);
        taken.items.assign(items, items + menu.size * sizeof(LMItem));
    }
    return taken;
}

TEST_F(ListMenuAllocation, ArrayGrowsByExactlyOneRecordPerItem) {
    tevrak::menu::set_reallocator(recording_reallocate);
    MenuRecord record;
    LMMenu &menu = record.menu;
    LMItem *left_over = menu.items;

    for (int n = 1; n <= 5; ++n) {
        LMItem *before = menu.size == 0 ? nullptr : menu.items;
        record.add(1);
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(requests.back().block, before) << "item " << n;
        EXPECT_EQ(requests.back().bytes, n * sizeof(LMItem)) << "item " << n;
    }
    EXPECT_NE(requests.front().block, left_over) << "a fresh array, not the pointer from before LMInit";

    LMFreeItems(&menu);
    record.add(1);
    EXPECT_EQ(requests.back().block, nullptr) << "after a release the array starts afresh";
    EXPECT_EQ(requests.back().bytes, sizeof(LMItem));
}

TEST_F(ListMenuAllocation, SizeThatCannotGrowAsksForNoMemory) {
    tevrak::menu::set_reallocator(failing_reallocate);
    LMItem item{};
    for (const std::int32_t size :
         {-1, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(tevrak::menu::grow_by_one(&item, size), nullptr) << size;
    }
    EXPECT_TRUE(requests.empty());
}

TEST_F(ListMenuAllocation, FailureLeavesTheMenuAsItWas) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    record.add(11);
    menu.index = 4;
    ASSERT_EQ(menu.scroll, 1);
    LMToggleScroll(&menu);  // scroll 0 with the menu over its room
    const auto before = snapshot(menu);

    tevrak::menu::set_reallocator(failing_reallocate);
    OutputCapture capture;
    LMAddItem(&menu, "one too many", 5);
    capture.stop();
    EXPECT_EQ(capture.out(), "ERROR: unable to allocate memory for chooser\n");
    EXPECT_EQ(capture.err(), "");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].bytes, 12 * sizeof(LMItem));
    EXPECT_EQ(snapshot(menu), before) << "no item, same size, scroll and array";

    tevrak::menu::set_reallocator(nullptr);
    LMAddItem(&menu, "fits again", 6);
    EXPECT_EQ(LMSize(menu), 12);
    EXPECT_STREQ(menu.items[11].text, "fits again");
    EXPECT_STREQ(menu.items[10].text, "item 10");
}

TEST_F(ListMenuAllocation, FailureOfTheFirstItemKeepsAnEmptyMenu) {
    MenuRecord record;
    LMMenu &menu = record.menu;
    const auto before = snapshot(menu);
    tevrak::menu::set_reallocator(failing_reallocate);
    OutputCapture capture;
    LMAddItem(&menu, "first", 1);
    EXPECT_EQ(capture.out(), "ERROR: unable to allocate memory for chooser\n");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].block, nullptr);
    EXPECT_EQ(snapshot(menu), before);
    EXPECT_STREQ(LMGetItemText(menu), "");
}

}  // namespace
