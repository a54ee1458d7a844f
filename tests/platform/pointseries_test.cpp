// The point series of a run's curves: storage and what it tells its readers.
#include "platform/pointseries.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

TEST(PointSeries, StaysNearEightBytesPerPointAtEveryLength)
{
    const size_t before = qltest::heapBytesInUse();
    ql::PointSeries store;
    size_t n = 0;
    for (size_t target : {size_t(1), size_t(700), size_t(4097), size_t(33000), size_t(86400), size_t(1000000)}) {
        for (; n < target; ++n)
            store.push_back({float(n), -float(n)});
        // At most 512 points (4 KiB) held beyond those stored, and the
        // allocator's and the chunk table's share of each 4096-point chunk.
        const size_t taken = qltest::heapBytesInUse() - before;
        EXPECT_GE(taken, 8 * n) << n;
        EXPECT_LE(taken, 8 * n + 4096 + 64 * (n / 4096 + 1)) << n;
    }
    size_t count = 0;
    const ql::SeriesPoint* run = store.run(4000, count);
    ASSERT_EQ(count, 96u);  // to the end of the first chunk
    EXPECT_EQ(run[95].X, 4095.f);
    EXPECT_EQ(store.run(n - 10, count)[9].Y, -float(n - 1));
    EXPECT_EQ(count, 10u);
    store.clear();
    EXPECT_EQ(qltest::heapBytesInUse(), before);  // all memory given back
    EXPECT_TRUE(store.empty());
}

TEST(PointSeries, KnowsWhetherXNeverWentBackAndWhenItsPointsWentStale)
{
    ql::PointSeries s;
    EXPECT_TRUE(s.sortedX());
    s.push_back({1, 1});
    s.push_back({1, 2});  // equal X keeps the order
    const uint64_t g0 = s.generation();
    s.push_back({2, 3});
    EXPECT_EQ(s.generation(), g0);  // an append leaves what was derived valid
    EXPECT_TRUE(s.sortedX());
    s.setY(0, 7);
    EXPECT_EQ(s[0].Y, 7.f);
    const uint64_t g1 = s.generation();
    EXPECT_GT(g1, g0);
    s.push_back({0.5f, 1});  // X went back
    EXPECT_FALSE(s.sortedX());
    EXPECT_GT(s.generation(), g1);
    const uint64_t g2 = s.generation();
    s.clear();
    EXPECT_TRUE(s.sortedX());
    EXPECT_GT(s.generation(), g2);
    s.push_back({NAN, 1});  // a NaN X is never searched by X
    EXPECT_FALSE(s.sortedX());

    // Moved, the points and what they tell go along; the source is empty and stale.
    ql::PointSeries t;
    t.push_back({1, 1});
    const uint64_t before = s.generation();
    ql::PointSeries moved(std::move(s));
    EXPECT_EQ(moved.size(), 1u);
    EXPECT_FALSE(moved.sortedX());
    EXPECT_TRUE(s.empty());  // NOLINT(bugprone-use-after-move): a moved-from series is empty
    EXPECT_GT(s.generation(), before);
    const uint64_t tGen = t.generation();
    t = std::move(moved);
    EXPECT_EQ(t.size(), 1u);
    EXPECT_GT(t.generation(), tGen);
}
