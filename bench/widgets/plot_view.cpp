#include "bench/widgets/plot_view.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

namespace norvane::bench {

PlotView::PlotView(QWidget* parent)
    : QChartView(new QChart, parent), xAxis_(new QValueAxis), yAxis_(new QValueAxis) {
    chart()->addAxis(xAxis_, Qt::AlignBottom);
    chart()->addAxis(yAxis_, Qt::AlignLeft);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    xAxis_->setLabelFormat("%.1f");
    xAxis_->setRange(0, 10);
    yAxis_->setRange(0, 1);
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    setMinimumSize(400, 250);
}

QLineSeries* PlotView::Line(size_t curve) const {
    return curve < lines_.size() ? lines_[curve] : nullptr;
}

void PlotView::Draw(const CurveStore& store, double window,
                    const std::function<QString(const Curve&)>& name) {
    const auto& curves = store.Curves();
    while (lines_.size() < curves.size()) {
        auto* line = new QLineSeries;
        line->setName(name(curves[lines_.size()]));
        chart()->addSeries(line);
        line->attachAxis(xAxis_);
        line->attachAxis(yAxis_);
        lines_.push_back(line);
    }
    if (following_) {
        const double to = std::max(store.LastTime(), window);
        xAxis_->setRange(to - window, to);
    }
    const int columns = std::max(1, static_cast<int>(chart()->plotArea().width()));
    for (size_t i = 0; i < curves.size(); ++i) {
        QList<QPointF> points;
        for (const CurvePoint& p : Decimate(curves[i].points, From(), To(), columns))
            points.append({p.t, p.v});
        lines_[i]->replace(points);
    }
    if (following_) FitValues(store);
}

void PlotView::FitValues(const CurveStore& store) {
    const auto range = ValueRange(store, From(), To());
    if (!range) return;
    const double margin = std::max((range->second - range->first) * 0.05, 0.5);
    yAxis_->setRange(range->first - margin, range->second + margin);
}

void PlotView::Clear() {
    chart()->removeAllSeries();
    lines_.clear();
}

void PlotView::Follow() {
    following_ = true;
}

void PlotView::wheelEvent(QWheelEvent* event) {
    following_ = false;
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    const QPointF at = chart()->mapToValue(event->position());
    QValueAxis* axis = event->modifiers().testFlag(Qt::ShiftModifier) ? yAxis_ : xAxis_;
    const double centre = axis == xAxis_ ? at.x() : at.y();
    axis->setRange(centre - (centre - axis->min()) * factor, centre + (axis->max() - centre) * factor);
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    dragging_ = true;
    dragFrom_ = event->position();
    event->accept();
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = chart()->mapToValue(event->position());
    if (onCursor) onCursor(at.x(), at.y());
    if (dragging_) {
        following_ = false;
        const QPointF delta = event->position() - dragFrom_;
        chart()->scroll(-delta.x(), delta.y());
        dragFrom_ = event->position();
    }
    event->accept();
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    event->accept();
}

}  // namespace norvane::bench
