#pragma once
// The plot's data: one curve per node and quantity with the successful samples of the last
// minutes (elapsed seconds, value), the failed ones counted; and what the view draws of them.
// Pure: the window owns one and feeds it on its user-interface thread.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/plot/sampler.h"

namespace norvane::bench {

struct CurvePoint {
    double t = 0;  ///< seconds since sampling started
    double v = 0;
};

struct Curve {
    int node = 0;
    Quantity quantity = Quantity::Position;
    std::deque<CurvePoint> points;  ///< ascending t
    uint64_t failed = 0;            ///< samples whose read failed (not drawn)
};

class CurveStore {
public:
    /// keepSeconds: how far back a curve holds its points.
    explicit CurveStore(double keepSeconds = 600) : keep_(keepSeconds) {}

    /// Files each sample under its own node and quantity (a curve is made on its first sample).
    void Add(const std::vector<Sample>& round);
    const std::vector<Curve>& Curves() const { return curves_; }
    /// The index of a node's quantity, or nothing.
    std::optional<size_t> Find(int node, Quantity quantity) const;
    /// The latest time of any point (0 while empty).
    double LastTime() const { return last_; }
    void Clear();

private:
    double keep_;
    double last_ = 0;
    std::vector<Curve> curves_;
};

/// What the view draws of points between t0 and t1 on `columns` pixel columns: per column the
/// first, the lowest, the highest and the last point in time order (so peaks stay visible), and
/// the neighbours just outside the range so the line reaches the edges.
std::vector<CurvePoint> Decimate(const std::deque<CurvePoint>& points, double t0, double t1, int columns);

/// The lowest and highest value of the curves between t0 and t1; nothing without a point there.
std::optional<std::pair<double, double>> ValueRange(const CurveStore& store, double t0, double t1);

/// The points between t0 and t1 as CSV: "elapsed_s,node,quantity,value" lines (CRLF), curve by
/// curve.
std::string VisibleCsv(const CurveStore& store, double t0, double t1);

}  // namespace norvane::bench
