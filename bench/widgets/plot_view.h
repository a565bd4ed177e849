#pragma once
// The plot's chart (Qt Charts): one line per node and quantity over a scrolling time axis. The
// mouse wheel zooms the time axis around the pointer (with Shift the value axis), a drag pans
// both; either stops the view following the newest samples until Follow is called. Every redraw
// hands each line only what Decimate keeps for the chart's width, so ten minutes of twelve curves
// cost no more to draw than a few thousand points. User-interface thread only.
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <functional>
#include <map>

#include "bench/plot/curve_store.h"

namespace norvane::bench {

class PlotView : public QChartView {
    Q_OBJECT
public:
    explicit PlotView(QWidget* parent = nullptr);

    /// Draws store: the newest `window` seconds while following, else the range the user chose.
    /// name gives a new line's legend text.
    void Draw(const CurveStore& store, double window, const std::function<QString(const Curve&)>& name);
    /// Removes every line (the store was cleared).
    void Clear();
    /// Follows the newest samples again, with the value axis fitted to what is shown.
    void Follow();
    bool Following() const { return following_; }
    void SetFollowing(bool on) { following_ = on; }
    /// The time range shown.
    double From() const { return xAxis_->min(); }
    double To() const { return xAxis_->max(); }
    QLineSeries* Line(size_t curve) const;
    /// Called with the time and value under the pointer as it moves over the chart.
    std::function<void(double t, double value)> onCursor;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FitValues(const CurveStore& store);

    QValueAxis* xAxis_;
    QValueAxis* yAxis_;
    std::vector<QLineSeries*> lines_;  ///< by curve index
    bool following_ = true;
    bool dragging_ = false;
    QPointF dragFrom_;
};

}  // namespace norvane::bench
