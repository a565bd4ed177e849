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

QFont WaveformView::LabelFont() {
    return QFont("MS Shell Dlg", 9);
}

WaveformView::Geometry WaveformView::Layout() const {
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int line = QFontMetrics(LabelFont()).height();
    Geometry g{};
    // The period label goes under the measuring line below the baseline; keep a whole line of
    // text inside the picture.
    g.baseline = inner.bottom() - 5 - line;
    g.top = std::max(inner.top() + line + 10, g.baseline - inner.height() / 2);
    g.pulse = kPeriod * percent_ / 100;
    g.periodText = QRect(0, g.baseline + 5, kPeriod, line);
    g.dutyText = QRect(std::max(0, g.pulse / 2 - 100), g.top - 10 - line, 200, line);
    return g;
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Geometry g = Layout();
    const int periods = width() / kPeriod + 1;

    painter.setPen(QPen(Qt::blue, 1));
    for (int i = 0; i < periods; ++i) {
        const int x0 = kPeriod * i;
        const QPoint points[] = {{x0, g.baseline},
                                 {x0, g.top},
                                 {x0 + g.pulse, g.top},
                                 {x0 + g.pulse, g.baseline},
                                 {x0 + kPeriod, g.baseline}};
        painter.drawPolyline(points, 5);
    }

    // The first period carries the measures: the period below the baseline, the duty above the pulse.
    painter.setPen(QPen(Qt::red, 1));
    painter.setFont(LabelFont());
    painter.setBackgroundMode(Qt::TransparentMode);
    const int below = g.baseline + 5;
    painter.drawLine(0, below, kPeriod, below);
    painter.drawLine(0, g.baseline, 0, g.baseline + 10);
    painter.drawLine(kPeriod, g.baseline, kPeriod, g.baseline + 10);
    painter.drawText(g.periodText, Qt::AlignHCenter | Qt::AlignTop, period_);
    const int above = g.top - 5;
    painter.drawLine(0, above, g.pulse, above);
    painter.drawLine(0, g.top, 0, g.top - 10);
    painter.drawLine(g.pulse, g.top, g.pulse, g.top - 10);
    painter.drawText(g.dutyText, Qt::AlignHCenter | Qt::AlignTop, duty_);
}

}  // namespace norvane::bench
