// Reading rules of the hardware description file.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "config/hdt_file.h"
#include "support/temp_home.h"

namespace {

namespace hdt = tevrak::hdt;

TEST(HdtReading, NumbersReadLikeAtoiWithoutOverflow) {
    EXPECT_EQ(hdt::to_int("42"), 42);
    EXPECT_EQ(hdt::to_int("-17abc"), -17);
    EXPECT_EQ(hdt::to_int("2x"), 2);
    EXPECT_EQ(hdt::to_int("word"), 0);
    EXPECT_EQ(hdt::to_int(""), 0);
    EXPECT_EQ(hdt::to_int("\t+8"), 8);
    EXPECT_EQ(hdt::to_int("99999999999999999999"), INT_MAX);
    EXPECT_EQ(hdt::to_int("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(hdt::to_int("-2147483648"), INT_MIN);
}

TEST(HdtReading, KeysAndFields) {
    EXPECT_TRUE(hdt::has_key("DRIVEX 1 2", "DRIVE"));
    EXPECT_FALSE(hdt::has_key(" DRIVE 1 2", "DRIVE"));
    EXPECT_FALSE(hdt::has_key("drive 1 2", "DRIVE"));
    EXPECT_FALSE(hdt::has_key("DRIV", "DRIVE"));

    const hdt::Fields fields("KINEMA  10   -20\t5 30x\n");
    EXPECT_EQ(fields.count(), 4u);
    EXPECT_EQ(fields.text(1), "KINEMA");
    EXPECT_EQ(fields.number(2), 10);
    EXPECT_EQ(fields.text(3), "-20\t5") << "a tab does not separate";
    EXPECT_EQ(fields.number(3), -20);
    EXPECT_EQ(fields.number(4), 30);
    EXPECT_EQ(fields.text(5), "");
    EXPECT_EQ(fields.number(9), 0) << "missing fields read as 0";
    EXPECT_EQ(hdt::Fields("A 1 2 3 4 5 6 7 8 9 10").count(), hdt::Fields::kMax);
}

TEST(HdtReading, LinesOfAnyLength) {
    tevrak::test::TempHome home;
    const std::string huge(3'000'000, '7');
    home.write_hdt("first\n" + huge + "\n\nlast without newline");
    hdt::LineReader reader(home.hdt_path().c_str());
    ASSERT_TRUE(reader.is_open());
    std::string_view line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "first\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), huge.size() + 1);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "last without newline");
    EXPECT_FALSE(reader.next(line));

    hdt::LineReader missing((home.root() + "/nothing.txt").c_str());
    EXPECT_FALSE(missing.is_open());
    EXPECT_FALSE(missing.next(line));
}

}  // namespace
