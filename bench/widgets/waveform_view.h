#pragma once
// The waveform picture of a PWM channel: periods of 200 pixels with a pulse of the duty's width,
// and on the first period the period and duty labels with their measuring lines.
#include <QWidget>

namespace norvane::bench {

class WaveformView : public QWidget {
    Q_OBJECT
public:
    explicit WaveformView(QWidget* parent = nullptr) : QWidget(parent) {}
    /// percent 0 ... 100.
    void SetWave(const QString& periodLabel, const QString& dutyLabel, int percent);
    QString PeriodLabel() const { return period_; }
    QString DutyLabel() const { return duty_; }
    int DutyPercent() const { return percent_; }
    /// Where the period and duty labels are drawn in the widget's current size: room for a line
    /// of the labels' font below the baseline and above the pulse.
    QRect PeriodLabelRect() const { return Layout().periodText; }
    QRect DutyLabelRect() const { return Layout().dutyText; }
    /// The labels' font.
    static QFont LabelFont();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Geometry {
        int baseline, top, pulse;
        QRect periodText, dutyText;
    };
    Geometry Layout() const;

    QString period_, duty_;
    int percent_ = 0;
};

}  // namespace norvane::bench
