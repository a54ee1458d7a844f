#include "platform/rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <limits>
#include <random>

using ql::RoundHalfEven;
using ql::RoundHalfEvenInt;

TEST(Rounding, HalvesGoToTheEvenNeighbourAndTheRestToTheNearest)
{
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(12.51), 13);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(0.49999999999999994), 0);
    EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);  // 2^52 + 1 is whole
    // The sign stays on a zero, as the frames and the chart have always had it.
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.4)));
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.5)));
    EXPECT_FALSE(std::signbit(RoundHalfEven(0.5)));
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
    EXPECT_EQ(RoundHalfEven(-INFINITY), -INFINITY);
}

// The same result as the C library's to-nearest rounding on every value, and
// that result also while someone else's code has changed the rounding mode.
TEST(Rounding, AgreesWithToNearestWhateverTheRoundingMode)
{
    std::mt19937_64 gen(29);
    std::uniform_real_distribution<double> wide(-1e7, 1e7);
    std::uniform_int_distribution<int> halves(-20000, 20000);
    for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        for (int i = 0; i < 20000; ++i) {
            const double v = i % 2 ? wide(gen) : halves(gen) / 2.0;
            const double expected = std::nearbyint(v);  // under the default mode
            std::fesetround(mode);
            const double r = RoundHalfEven(v);
            std::fesetround(FE_TONEAREST);
            ASSERT_EQ(r, expected) << v << " in mode " << mode;
            ASSERT_EQ(std::signbit(r), std::signbit(expected)) << v;
        }
    }
}

TEST(Rounding, AsIntNaNIsZeroAndOutOfRangeTakesTheBound)
{
    EXPECT_EQ(RoundHalfEvenInt(2.5), 2);
    EXPECT_EQ(RoundHalfEvenInt(-7.5), -8);
    EXPECT_EQ(RoundHalfEvenInt(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEvenInt(3e9), INT_MAX);
    EXPECT_EQ(RoundHalfEvenInt(-3e9), INT_MIN);
    EXPECT_EQ(RoundHalfEvenInt(INFINITY), INT_MAX);
    EXPECT_EQ(RoundHalfEvenInt(2147483646.5), 2147483646);
}
