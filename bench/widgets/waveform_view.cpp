#include "bench/widgets/waveform_view.h"

#include <QPainter>
#include <algorithm>

namespace norvane::bench {

namespace {
constexpr int kPeriod = 200;
}  // namespace

void WaveformView::SetWave(const QString& periodLabel, const QString& dutyLabel, int percent) {
    period_ = periodLabel;
    duty_ = dutyLabel;
    percent_ = std::clamp(percent, 0, 100);
    update();
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int baseline = inner.bottom() - 10;
    const int height = inner.height() / 2;
    const int top = baseline - height;
    const int periods = inner.width() / kPeriod + 1;
    const int pulse = kPeriod * percent_ / 100;

    painter.setPen(QPen(Qt::blue, 1));
    for (int i = 0; i < periods; ++i) {
        const int x0 = kPeriod * i;
        const QPoint points[] = {
            {x0, baseline}, {x0, top}, {x0 + pulse, top}, {x0 + pulse, baseline}, {x0 + kPeriod, baseline}};
        painter.drawPolyline(points, 5);
    }

    // The first period carries the measures: the period below the baseline, the duty above the pulse.
    painter.setPen(QPen(Qt::red, 1));
    painter.setFont(QFont("MS Shell Dlg", 9));
    painter.setBackgroundMode(Qt::TransparentMode);
    const int below = baseline + 5;
    painter.drawLine(0, below, kPeriod, below);
    painter.drawLine(0, baseline, 0, baseline + 10);
    painter.drawLine(kPeriod, baseline, kPeriod, baseline + 10);
    const QFontMetrics metrics(painter.font());
    painter.drawText(QRect(0, below, kPeriod, metrics.height()), Qt::AlignHCenter | Qt::AlignTop, period_);
    const int above = top - 5;
    painter.drawLine(0, above, pulse, above);
    painter.drawLine(0, top, 0, top - 10);
    painter.drawLine(pulse, top, pulse, top - 10);
    painter.drawText(QRect(pulse / 2 - 100, top - 20, 200, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                     duty_);
}

}  // namespace norvane::bench
