// Geometry of VWDrive and the degree conversions, without a board.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include "drive/testing.h"

namespace {

using tevrak::drive::arc_to_point;

struct ArcCase {
    int dx, dy, length, angle;
};

TEST(ArcToPoint, EndPointsOffTheAxes) {
    const ArcCase cases[] = {
        {1000, 1000, 1570, 157},     // quarter circle, radius 1000
        {1000, -1000, 1570, -157},   // its mirror image
        {300, 400, 579, 185},        // radius 312.5
        {-1000, 1000, 4712, 471},    // three quarters of a circle
        {-1000, -1000, 4712, -471},  // its mirror image: forward, turning negative
        {0, 1000, 1570, 314},        // half circle of radius 500
        {0, -1000, 1570, -314},
    };
    for (const auto &c : cases) {
        const auto arc = arc_to_point(c.dx, c.dy);
        EXPECT_EQ(arc.length, c.length) << c.dx << ", " << c.dy;
        EXPECT_EQ(arc.angle_hundredths, c.angle) << c.dx << ", " << c.dy;
    }
}

TEST(ArcToPoint, PointsOnTheXAxisAreStraightRuns) {
    const ArcCase cases[] = {{1000, 0, 1000, 0}, {-500, 0, -500, 0}, {0, 0, 0, 0}, {1, 0, 1, 0}};
    for (const auto &c : cases) {
        const auto arc = arc_to_point(c.dx, c.dy);
        EXPECT_EQ(arc.length, c.length) << c.dx;
        EXPECT_EQ(arc.angle_hundredths, c.angle) << c.dx;
    }
}

// Driving the computed arc from the origin along the x axis must end near the
// requested point, always forward, turning to the side of the point.
TEST(ArcToPoint, ArcEndsAtTheRequestedPoint) {
    for (int dx = -2000; dx <= 2000; dx += 250) {
        for (int dy = -2000; dy <= 2000; dy += 250) {
            if (dy == 0) continue;
            const auto arc = arc_to_point(dx, dy);
            ASSERT_GT(arc.length, 0) << dx << ", " << dy;
            ASSERT_EQ(arc.angle_hundredths > 0, dy > 0) << dx << ", " << dy;
            ASSERT_LE(std::abs(arc.angle_hundredths), 628);
            const double turn = arc.angle_hundredths / 100.0;
            const double radius = arc.length / turn;
            const double end_x = radius * std::sin(turn);
            const double end_y = radius * (1.0 - std::cos(turn));
            // Truncation costs up to 1 unit of length and 0.01 rad of turn.
            const double tolerance = 0.01 * arc.length + 2.0;
            EXPECT_NEAR(end_x, dx, tolerance) << dx << ", " << dy;
            EXPECT_NEAR(end_y, dy, tolerance) << dx << ", " << dy;
        }
    }
}

// Just off the axis behind the chassis the arc is a huge circle whose length
// does not fit an int: it wraps like every word field, without overflow.
TEST(ArcToPoint, HugeLengthsWrap) {
    const auto arc = arc_to_point(-32767, 1);
    EXPECT_EQ(arc.angle_hundredths, 628);
    const long double phi = std::atan2(1.0L, -32767.0L);
    const long double exact = std::sqrt(32767.0L * 32767.0L + 1.0L) * phi / std::sin(phi);
    ASSERT_GT(exact, static_cast<long double>(INT_MAX));
    // Near pi the sine loses digits: the last unit may differ from the
    // long double value, but the low bits must be those of the true length.
    const auto expected = static_cast<std::uint64_t>(exact);
    const auto difference = static_cast<std::uint16_t>(static_cast<std::uint32_t>(arc.length) - expected);
    EXPECT_TRUE(difference <= 1 || difference == 0xFFFF) << arc.length << " vs " << expected;

    const auto extreme = arc_to_point(INT_MIN, 1);  // must not trap under UBSan
    EXPECT_EQ(extreme.angle_hundredths, 628);
}

TEST(AngleConversion, TruncatesTowardZeroBothWays) {
    using tevrak::drive::degrees_to_wire;
    using tevrak::drive::wire_to_degrees;
    EXPECT_EQ(degrees_to_wire(45), 78);
    EXPECT_EQ(degrees_to_wire(90), 157);
    EXPECT_EQ(degrees_to_wire(-1), -1);
    EXPECT_EQ(degrees_to_wire(-90), -157);
    EXPECT_EQ(degrees_to_wire(18785), 0x8001);
    EXPECT_EQ(wire_to_degrees(78), 44);
    EXPECT_EQ(wire_to_degrees(157), 90);
    EXPECT_EQ(wire_to_degrees(-1), 0);
    EXPECT_EQ(wire_to_degrees(-156), -89);
}

}  // namespace
