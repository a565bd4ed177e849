#include "bench/plot/curve_store.h"

#include <algorithm>

#include "bench/plot/record_csv.h"

namespace norvane::bench {

namespace {

using Points = std::deque<CurvePoint>;

Points::const_iterator FirstAtOrAfter(const Points& points, double t) {
    return std::lower_bound(points.begin(), points.end(), t,
                            [](const CurvePoint& p, double value) { return p.t < value; });
}

Points::const_iterator FirstAfter(const Points& points, double t) {
    return std::upper_bound(points.begin(), points.end(), t,
                            [](double value, const CurvePoint& p) { return value < p.t; });
}

}  // namespace

void CurveStore::Add(const std::vector<Sample>& round) {
    for (const Sample& sample : round) {
        const auto at = Find(sample.node, sample.quantity);
        Curve& curve = at ? curves_[*at] : curves_.emplace_back(Curve{sample.node, sample.quantity, {}, 0});
        if (!sample.reading.value) {
            ++curve.failed;
            continue;
        }
        const double t = static_cast<double>(sample.elapsedMs) / 1000.0;
        if (!curve.points.empty() && t < curve.points.back().t) continue;  // never out of order
        curve.points.push_back({t, *sample.reading.value});
        last_ = std::max(last_, t);
    }
    for (Curve& curve : curves_)
        while (!curve.points.empty() && curve.points.front().t < last_ - keep_) curve.points.pop_front();
}

std::optional<size_t> CurveStore::Find(int node, Quantity quantity) const {
    for (size_t i = 0; i < curves_.size(); ++i)
        if (curves_[i].node == node && curves_[i].quantity == quantity) return i;
    return std::nullopt;
}

void CurveStore::Clear() {
    curves_.clear();
    last_ = 0;
}

std::vector<CurvePoint> Decimate(const Points& points, double t0, double t1, int columns) {
    std::vector<CurvePoint> out;
    if (points.empty() || t1 <= t0 || columns < 1) return out;
    auto begin = FirstAtOrAfter(points, t0);
    auto end = FirstAfter(points, t1);
    if (begin != points.begin()) out.push_back(*std::prev(begin));
    const double width = (t1 - t0) / columns;
    for (auto it = begin; it != end;) {
        const auto column = static_cast<int64_t>((it->t - t0) / width);
        const double columnEnd = t0 + width * static_cast<double>(column + 1);
        auto stop = std::find_if(it, end, [&](const CurvePoint& p) { return p.t >= columnEnd; });
        if (stop == it) ++stop;  // rounding at a column's edge: take the point alone
        auto [low, high] =
            std::minmax_element(it, stop, [](const CurvePoint& a, const CurvePoint& b) { return a.v < b.v; });
        std::vector<Points::const_iterator> keep{it, low, high, std::prev(stop)};
        std::sort(keep.begin(), keep.end());
        keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
        for (auto k : keep) out.push_back(*k);
        it = stop;
    }
    if (end != points.end()) out.push_back(*end);
    return out;
}

std::optional<std::pair<double, double>> ValueRange(const CurveStore& store, double t0, double t1) {
    std::optional<std::pair<double, double>> range;
    for (const Curve& curve : store.Curves()) {
        for (auto it = FirstAtOrAfter(curve.points, t0), end = FirstAfter(curve.points, t1); it != end;
             ++it) {
            if (!range)
                range = std::pair{it->v, it->v};
            else
                range = std::pair{std::min(range->first, it->v), std::max(range->second, it->v)};
        }
    }
    return range;
}

std::string VisibleCsv(const CurveStore& store, double t0, double t1) {
    std::string text = "elapsed_s,node,quantity,value\r\n";
    for (const Curve& curve : store.Curves()) {
        for (auto it = FirstAtOrAfter(curve.points, t0), end = FirstAfter(curve.points, t1); it != end; ++it)
            text += ValueText(it->t) + ',' + std::to_string(curve.node) + ',' + NameOf(curve.quantity) + ',' +
                    ValueText(it->v) + "\r\n";
    }
    return text;
}

}  // namespace norvane::bench
