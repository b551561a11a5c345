// The bridge's framing as the two ends see it: what each stream of chunks
// decodes to (board bytes, heartbeats, damage), the escape cut between two
// chunks, and the framed form of board bytes. Bytes are literals: 0x10 is
// the escape, 0x10 0x48 the heartbeat.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/bridge/framing.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct DecodeCase {
    const char *name;
    std::vector<Bytes> chunks;
    Bytes board;
    std::size_t heartbeats;
    bool damaged;
    bool mid_escape;
};

class Decoding : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, GivesTheBoardBytesAndCountsTheHeartbeats) {
    const auto &c = GetParam();
    tevrak::bridge::Decoder decoder;
    Bytes board;
    std::size_t heartbeats = 0;
    bool damaged = false;
    for (const auto &chunk : c.chunks) {
        Bytes out(chunk.size() + 1, 0xAA);  // one guard byte that must stay
        const auto result = decoder.decode(chunk.data(), chunk.size(), out.data());
        ASSERT_LE(result.data, chunk.size());
        EXPECT_EQ(out.back(), 0xAA);
        board.insert(board.end(), out.begin(), out.begin() + static_cast<long>(result.data));
        heartbeats += result.heartbeats;
        damaged = result.damaged;
    }
    EXPECT_EQ(board, c.board);
    EXPECT_EQ(heartbeats, c.heartbeats);
    EXPECT_EQ(damaged, c.damaged);
    EXPECT_EQ(decoder.damaged(), c.damaged);
    EXPECT_EQ(decoder.mid_escape(), c.mid_escape);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Decoding,
    testing::Values(
        DecodeCase{"PlainFrame", {{0xF8, 0x00, 0x64, 0x00, 0x00}}, {0xF8, 0x00, 0x64, 0x00, 0x00}, 0, false, false},
        DecodeCase{"DoubledEscapeIsOneByte", {{0x10, 0x10}}, {0x10}, 0, false, false},
        DecodeCase{"HeartbeatAlone", {{0x10, 0x48}}, {}, 1, false, false},
        DecodeCase{"HeartbeatsBetweenFrames",
                   {{0x0D, 0x10, 0x48, 0xF9, 0x00, 0x64, 0x00, 0x32, 0x10, 0x48}},
                   {0x0D, 0xF9, 0x00, 0x64, 0x00, 0x32},
                   2,
                   false,
                   false},
        DecodeCase{"HeartbeatInsideAFrameBesideAnEscapedByte",
                   {{0xCD, 0x10, 0x10, 0x10, 0x48, 0x05}},
                   {0xCD, 0x10, 0x05},
                   1,
                   false,
                   false},
        DecodeCase{"EscapedByteCutBetweenChunks", {{0xF0, 0x10}, {0x10, 0x01}}, {0xF0, 0x10, 0x01}, 0, false, false},
        DecodeCase{"HeartbeatCutBetweenChunks", {{0x3E, 0x10}, {0x48}, {0x3E}}, {0x3E, 0x3E}, 1, false, false},
        DecodeCase{"TruncatedEscapeAtTheEnd", {{0x0D, 0x10}}, {0x0D}, 0, false, true},
        DecodeCase{"EscapeThenZeroIsDamage", {{0x3E, 0x10, 0x00, 0x3E}}, {0x3E}, 0, true, false},
        DecodeCase{"NothingAfterDamage", {{0x3E, 0x10, 0x41}, {0x10, 0x48, 0x3E, 0x10, 0x10}}, {0x3E}, 0, true, false},
        DecodeCase{"DamageAcrossChunks", {{0x01, 0x10}, {0xFF, 0x02}}, {0x01}, 0, true, false},
        DecodeCase{"EmptyChunks", {{}, {0x10}, {}, {0x48}}, {}, 1, false, false}),
    [](const auto &info) { return std::string(info.param.name); });

struct EncodeCase {
    const char *name;
    Bytes board;
    Bytes framed;
};

class Encoding : public testing::TestWithParam<EncodeCase> {};

TEST_P(Encoding, DoublesTheEscapeAndNothingElse) {
    const auto &c = GetParam();
    Bytes out(2 * c.board.size() + 1, 0xAA);
    const std::size_t n = tevrak::bridge::encode(c.board.data(), c.board.size(), out.data());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(n)), c.framed);
    EXPECT_EQ(out[n], 0xAA);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Encoding,
    testing::Values(EncodeCase{"Nothing", {}, {}}, EncodeCase{"ReplyUnchanged", {0x3E, 0x01, 0x48}, {0x3E, 0x01, 0x48}},
                    EncodeCase{"OneEscape", {0x10}, {0x10, 0x10}},
                    EncodeCase{"EscapesInAFrame", {0xF8, 0x10, 0x10, 0x00}, {0xF8, 0x10, 0x10, 0x10, 0x10, 0x00}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Framing, EveryByteValueSurvivesTheRoundTripInChunksOfAnySize) {
    Bytes board;
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 256; ++b) board.push_back(static_cast<std::uint8_t>(b));
    }
    Bytes framed(2 * board.size());
    framed.resize(tevrak::bridge::encode(board.data(), board.size(), framed.data()));
    for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
        tevrak::bridge::Decoder decoder;
        Bytes back;
        for (std::size_t at = 0; at < framed.size(); at += chunk) {
            const std::size_t n = std::min(chunk, framed.size() - at);
            Bytes out(n);
            const auto result = decoder.decode(framed.data() + at, n, out.data());
            ASSERT_FALSE(result.damaged);
            back.insert(back.end(), out.begin(), out.begin() + static_cast<long>(result.data));
        }
        EXPECT_EQ(back, board) << "chunks of " << chunk;
    }
}

}  // namespace
