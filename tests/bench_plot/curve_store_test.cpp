// The plot's curves: samples filed under their own node and quantity, what the view draws of
// them, and the visible data as CSV.
#include "bench/plot/curve_store.h"

#include <gtest/gtest.h>

namespace norvane::bench::test {
namespace {

Sample S(int64_t ms, int node, Quantity q, std::optional<double> v) {
    Sample s;
    s.elapsedMs = ms;
    s.node = node;
    s.quantity = q;
    s.reading = {v ? 1 : -1, v};
    return s;
}

TEST(CurveStore, EachSampleGoesToItsOwnNodesCurveAndOldPointsLeave) {
    CurveStore store(10);
    store.Add(
        {S(0, 5, Quantity::Position, 1), S(0, 7, Quantity::Position, 100), S(0, 5, Quantity::Speed, 3)});
    store.Add({S(500, 5, Quantity::Position, 2), S(500, 7, Quantity::Position, std::nullopt),
               S(500, 5, Quantity::Speed, 3)});
    ASSERT_EQ(store.Curves().size(), 3u);
    const Curve& five = store.Curves()[*store.Find(5, Quantity::Position)];
    const Curve& seven = store.Curves()[*store.Find(7, Quantity::Position)];
    ASSERT_EQ(five.points.size(), 2u);
    EXPECT_EQ(five.points[1].t, 0.5);
    EXPECT_EQ(five.points[1].v, 2);
    // Node 7's failed read is counted, not drawn, and never node 5's value.
    ASSERT_EQ(seven.points.size(), 1u);
    EXPECT_EQ(seven.points[0].v, 100);
    EXPECT_EQ(seven.failed, 1u);
    EXPECT_FALSE(store.Find(7, Quantity::Speed));
    // Ten seconds later the first points are gone.
    store.Add({S(10200, 5, Quantity::Position, 9)});
    EXPECT_EQ(store.Curves()[*store.Find(5, Quantity::Position)].points.size(), 2u);
    EXPECT_EQ(store.LastTime(), 10.2);
}

std::deque<CurvePoint> Ramp(int n, double step) {
    std::deque<CurvePoint> points;
    for (int i = 0; i < n; ++i) points.push_back({i * step, double(i % 50)});  // a saw tooth
    return points;
}

TEST(CurveDecimation, KeepsPeaksAndEdgesWithinFourPointsAColumn) {
    struct Case {
        int n;
        double t0, t1;
        int columns;
        size_t most;   // at most this many points
        size_t least;  // at least
    };
    const Case cases[] = {
        {12000, 0, 600, 800, 4 * 800 + 2, 800},  // ten minutes at 50 ms on 800 columns
        {200, 0, 10, 800, 200, 200},             // fewer points than columns: all of them
        {12000, 100, 110, 800, 203, 202},        // a window inside: its 200 or 201 points and both neighbours
        {10, 20, 30, 100, 1, 1},                 // after the last point: only the neighbour before
    };
    for (const Case& c : cases) {
        const auto points = Ramp(c.n, 0.05);
        const auto drawn = Decimate(points, c.t0, c.t1, c.columns);
        EXPECT_LE(drawn.size(), c.most) << c.n << " " << c.t0;
        EXPECT_GE(drawn.size(), c.least) << c.n << " " << c.t0;
        EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                                   [](const CurvePoint& a, const CurvePoint& b) { return a.t < b.t; }));
    }
    // Every tooth's top (49) and bottom (0) survives on few columns.
    const auto drawn = Decimate(Ramp(12000, 0.05), 0, 600, 240);
    EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(), [](const CurvePoint& p) { return p.v == 49; }), 240);
    EXPECT_TRUE(Decimate({}, 0, 10, 100).empty());
    EXPECT_TRUE(Decimate(Ramp(10, 1), 5, 5, 100).empty());
}

TEST(CurveStore, TheVisibleDataIsItsValueRangeAndItsCsv) {
    CurveStore store;
    store.Add({S(0, 5, Quantity::Position, 10), S(0, 8, Quantity::Analog2, 4095)});
    store.Add({S(1500, 5, Quantity::Position, -20.5), S(1500, 8, Quantity::Analog2, std::nullopt)});
    store.Add({S(3000, 5, Quantity::Position, 30)});
    EXPECT_EQ(ValueRange(store, 1, 2), (std::pair{-20.5, -20.5}));
    EXPECT_EQ(ValueRange(store, 0, 3), (std::pair{-20.5, 4095.0}));
    EXPECT_FALSE(ValueRange(store, 4, 5));
    EXPECT_EQ(
        VisibleCsv(store, 0, 1.5),
        "elapsed_s,node,quantity,value\r\n0,5,position,10\r\n1.5,5,position,-20.5\r\n0,8,analog2,4095\r\n");
}

}  // namespace
}  // namespace norvane::bench::test
