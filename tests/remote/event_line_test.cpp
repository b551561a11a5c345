// Decoding of single event lines, without a daemon. Every line is parsed from
// a heap buffer of exactly its size, so a read past its end shows up under
// AddressSanitizer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "remote/testing.h"

namespace {

using tevrak::rcin::Event;

std::optional<Event> parse(std::string_view text) {
    const auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(buffer.get(), text.data(), text.size());
    return tevrak::rcin::parse_event(std::string_view(buffer.get(), text.size()));
}

void expect_event(std::string_view line, int repeat, int key) {
    const auto event = parse(line);
    ASSERT_TRUE(event.has_value()) << line;
    EXPECT_EQ(event->repeat, repeat) << line;
    EXPECT_EQ(event->key, key) << line;
}

TEST(EventLine, KeyIsTheFifthCharacterOfTheButtonName) {
    expect_event("0000000000ff30cf 00 KEY_1 tevrak_test\n", 0, '1');
    expect_event("0000000000ff629d 00 KEY_UP tevrak_test\n", 0, 'U');
    expect_event("0000000000ff02fd 00 KEY_OK tevrak_test\n", 0, 'O');
    // Fixed offsets: with a short button name the key comes from the remote's name.
    expect_event("0000000000000000 00 A remote\n", 0, 'm');
    // The key is an unsigned byte.
    expect_event("0000000000000000 00 KEY_\xe9 r\n", 0, 0xe9);
}

TEST(EventLine, ButtonNamesStartingWithR) {
    expect_event("0000000000ff6897 00 KEY_RED tevrak_test\n", 0, 'R');
    expect_event("0000000000ffc23d 00 KEY_RIGHT tevrak_test\n", 0, '>');
    expect_event("0000000000ff9867 00 KEY_R tevrak_test\n", 0, '>');  // the blank after R
    expect_event("0000000000ff9867 00 KEY_Re r\n", 0, '>');           // only E counts
    expect_event("0000000000ff9867 00 KEY_R", 0, '>');                // line ends after R
}

TEST(EventLine, RepeatCountIsHexadecimal) {
    expect_event("0000000000ff30cf 04 KEY_1 r\n", 4, '1');
    expect_event("0000000000ff30cf 0a KEY_1 r\n", 10, '1');
    expect_event("0000000000ff30cf 1F KEY_1 r\n", 31, '1');
    expect_event("0000000000ff30cf ff KEY_1 r\n", 255, '1');
    expect_event("0000000000ff30cf zz KEY_1 r\n", 0, '1');  // no number: no repeat
    // Found by fuzzing: "%x" takes a sign, so "-d" is -13, which the hold
    // delay does not hold back; the key is still read at its offset.
    expect_event(std::string_view("0000000000000002 -d KEY_R\0\0\0\" im\n", 33), -13, '>');
}

TEST(EventLine, LineEndingAtTheKeyOffsetHasKeyZero) { expect_event("0000000000000000 03 KEY_", 3, 0); }

TEST(EventLine, ShortLinesAreNoEvents) {
    for (const std::string_view line :
         {"", "BEGIN\n", "SIGHUP\n", "END\n", "0000000000ff30cf 00\n", "0000000000ff30cf 00 KEY"}) {
        EXPECT_FALSE(parse(line).has_value()) << line;
    }
}

}  // namespace
