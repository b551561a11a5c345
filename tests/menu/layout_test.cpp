// The C and C++ compilers agree on the menu records' sizes.
#include <gtest/gtest.h>

#include <cstddef>

#include "tevrak/listmenu.h"

extern "C" std::size_t lm_c_menu_size(void);
extern "C" std::size_t lm_c_item_size(void);

TEST(ListMenuLayout, CAndCxxRecordsHaveTheSameSize) {
    EXPECT_EQ(lm_c_menu_size(), sizeof(LMMenu));
    EXPECT_EQ(lm_c_item_size(), sizeof(LMItem));
}
