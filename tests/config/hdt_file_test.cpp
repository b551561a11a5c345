// Reading rules of the hardware description file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "config/hdt_file.h"
#include "config/paths.h"
#include "support/temp_home.h"
#include "tevrak/home.h"

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

// Lines that cross the reader's 64 KiB blocks come back whole and in order:
// the file is the lines put together, however they fall on the blocks.
class HdtBlocks : public testing::TestWithParam<std::size_t> {};

TEST_P(HdtBlocks, LinesAcrossBlocksComeBackWhole) {
    const std::size_t length = GetParam();
    std::string text;
    for (int i = 0; text.size() < 200'000; ++i) {
        std::string line(length + static_cast<std::size_t>(i % 3), static_cast<char>('a' + i % 26));
        line[line.size() / 2] = '\0';  // a NUL byte is part of a line
        text += line + "\n";
    }
    text += "tail";
    tevrak::test::TempHome home;
    home.write_hdt(text);
    hdt::LineReader reader(home.hdt_path().c_str());
    std::string joined;
    std::string_view line;
    std::size_t lines = 0;
    while (reader.next(line)) {
        EXPECT_TRUE(line.find('\n') == line.size() - 1 || line == "tail") << "line " << lines;
        joined += line;
        ++lines;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(lines, static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
}

INSTANTIATE_TEST_SUITE_P(LineLengths, HdtBlocks, testing::Values(1, 37, 4095, 65535, 65536, 131071));

// The robot folder a fresh process starts with, and what it writes on
// stderr, for one value of TEVRAK_HOME (nullptr: unset). called_home, when
// given, is passed to HDTSetHome before the first use of any path.
std::string fresh_process_home(const char *variable, const char *called_home = nullptr) {
    int out[2];
    if (pipe(out) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        if (variable)
            setenv("TEVRAK_HOME", variable, 1);
        else
            unsetenv("TEVRAK_HOME");
        if (called_home) HDTSetHome(called_home);
        const std::string first = tevrak::paths::hdt_file();
        setenv("TEVRAK_HOME", "/read/once", 1);
        const std::string later = tevrak::paths::hdt_file();
        const std::string text = first == later ? first : first + " then " + later;
        _exit(write(STDOUT_FILENO, text.data(), text.size()) < 0);
    }
    close(out[1]);
    std::string text;
    char buffer[8192];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return text;
}

TEST(RobotFolder, SetHomeThenTevrakHomeThenTheBuiltInDefault) {
    const char *fallback =
        "tevrak: TEVRAK_HOME is empty or too long; using " TEVRAK_HOME_DEFAULT "\n" TEVRAK_HOME_DEFAULT "/bin/hdt.txt";
    const std::string too_long(4082, 'a');
    const struct {
        const char *variable, *called, *expected;
    } rows[] = {
        {nullptr, nullptr, TEVRAK_HOME_DEFAULT "/bin/hdt.txt"},
        {"/home/alice/tevrak/", nullptr, "/home/alice/tevrak/bin/hdt.txt"},
        {"robots/r1", nullptr, "robots/r1/bin/hdt.txt"},
        {"/home/alice/tevrak", "/srv/robot", "/srv/robot/bin/hdt.txt"},
        {"", nullptr, fallback},
        {too_long.c_str(), nullptr, fallback},
    };
    for (const auto &row : rows)
        EXPECT_EQ(fresh_process_home(row.variable, row.called), row.expected)
            << "TEVRAK_HOME=" << (row.variable ? std::string(row.variable).substr(0, 40) : "(unset)");
}

}  // namespace
