#include "bench/widgets/plot_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QTimer>

#include "bench/core/file_text.h"
#include "bench/widgets/dialog_support.h"
#include "bench/widgets/plot_view.h"
#include "ui_plot_window.h"

namespace norvane::bench {

namespace {
constexpr int kNodeRole = Qt::UserRole;
constexpr int kQuantityRole = Qt::UserRole + 1;
constexpr int kFrameMs = 40;  // redraws at most 25 times a second
}  // namespace

PlotWindow::PlotWindow(const SdkTable& sdk, const Language& language, UserMessages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::PlotWindow>()),
      sdk_(sdk),
      language_(language),
      messages_(messages),
      sampler_([this](int node, Quantity quantity) { return ReadQuantity(sdk_, gateway_, node, quantity); },
               [this](std::vector<Sample>&& round) {
                   writer_.Push(round);  // drops (counted) while the file cannot keep up; never waits
                   QMetaObject::invokeMethod(
                       this, [this, round = std::move(round)] { OnRound(round); }, Qt::QueuedConnection);
               }) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language_);
    view_ = new PlotView(ui_->chartHost);
    ui_->chartLayout->addWidget(view_);
    view_->onCursor = [this](double t, double value) {
        ui_->cursorLabel->setText(Text("IDS_PLOT_CURSOR").arg(t, 0, 'f', 2).arg(value, 0, 'g', 8));
    };
    chooseFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, {}, filter);
    };
    connect(ui_->startButton, &QPushButton::clicked, this, [this](bool on) {
        on ? StartSampling() : StopSampling();
        ShowState();
    });
    connect(ui_->pauseButton, &QPushButton::clicked, this, [this](bool paused) {
        view_->SetFollowing(!paused);
        Redraw();
        ShowState();
    });
    connect(ui_->autoscaleButton, &QPushButton::clicked, this, [this] {
        view_->Follow();
        Redraw();
        ShowState();
    });
    connect(ui_->recordButton, &QPushButton::clicked, this, [this](bool on) {
        if (!on) {
            StopRecording();
        } else {
            const QString path = chooseFile(Text("IDS_PLOT_RECORD"), "CSV (*.csv)");
            if (!path.isEmpty()) StartRecording(path);
        }
        ShowState();
    });
    connect(ui_->window, &QSpinBox::valueChanged, this, [this] { Redraw(); });
    connect(ui_->exportCsvButton, &QPushButton::clicked, this, &PlotWindow::ExportCsv);
    connect(ui_->exportPngButton, &QPushButton::clicked, this, &PlotWindow::ExportPng);
    // Rounds arrive every period; the chart is redrawn on a frame timer when something changed.
    auto* frames = new QTimer(this);
    connect(frames, &QTimer::timeout, this, [this] {
        if (dirty_) Redraw();
    });
    frames->start(kFrameMs);
    ShowState();
}

PlotWindow::~PlotWindow() {
    sampler_.Stop();
    writer_.Close();
}

QString PlotWindow::Text(const char* key) const {
    return Q(language_.Lookup(key));
}

QString PlotWindow::CurveName(const Curve& curve) const {
    return Text("IDS_PLOT_CURVE").arg(curve.node).arg(Text(CaptionKeyOf(curve.quantity).c_str()));
}

void PlotWindow::SetNodes(uint32_t gateway, const std::vector<NodeEntry>& nodes, int periodMs) {
    std::vector<SamplePoint> before = Chosen();
    if (gateway != gateway_) before.clear();
    StopSampling();
    gateway_ = gateway;
    ui_->period->setValue(std::max(periodMs, static_cast<int>(kMinSamplePeriod.count())));
    ui_->quantityList->clear();
    for (const NodeEntry& node : nodes) {
        const auto quantities = QuantitiesOf(KindOfDevice(node.DeviceCode()));
        if (quantities.empty()) continue;
        auto* top = new QTreeWidgetItem(ui_->quantityList,
                                        {Text("IDS_PLOT_NODE").arg(node.id) + " " + Q(node.ModelName())});
        for (Quantity quantity : quantities) {
            auto* item = new QTreeWidgetItem(top, {Text(CaptionKeyOf(quantity).c_str())});
            item->setData(0, kNodeRole, node.id);
            item->setData(0, kQuantityRole, static_cast<int>(quantity));
            const bool was = std::any_of(before.begin(), before.end(), [&](const SamplePoint& p) {
                return p.node == node.id && p.quantity == quantity;
            });
            // Offered first: a controller's position, an I/O module's inputs, a temperature.
            item->setCheckState(
                0, was || (before.empty() && quantity == quantities.front()) ? Qt::Checked : Qt::Unchecked);
        }
    }
    ui_->quantityList->expandAll();
    ShowState();
}

void PlotWindow::Choose(int node, Quantity quantity, bool on) {
    QTreeWidgetItemIterator it(ui_->quantityList);
    for (; *it; ++it) {
        if ((*it)->data(0, kNodeRole).toInt() == node &&
            (*it)->data(0, kQuantityRole).toInt() == int(quantity) && (*it)->parent())
            (*it)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<SamplePoint> PlotWindow::Chosen() const {
    std::vector<SamplePoint> points;
    for (QTreeWidgetItemIterator it(ui_->quantityList); *it; ++it) {
        if ((*it)->parent() && (*it)->checkState(0) == Qt::Checked)
            points.push_back({(*it)->data(0, kNodeRole).toInt(),
                              static_cast<Quantity>((*it)->data(0, kQuantityRole).toInt())});
    }
    return points;
}

void PlotWindow::StartSampling() {
    sampler_.Stop();  // a recording that asked for the sampling goes on
    const auto points = Chosen();
    if (points.empty()) {
        messages_.Show(language_.Lookup("IDS_WARING"), language_.Lookup("IDS_PLOT_NOTHING"));
        StopRecording();
        ShowState();
        return;
    }
    store_.Clear();
    deadRounds_ = 0;
    view_->Clear();
    view_->Follow();
    sampler_.Start(points, std::chrono::milliseconds(ui_->period->value()));
    ShowState();
}

void PlotWindow::StopSampling() {
    sampler_.Stop();
    StopRecording();
    ShowState();
}

bool PlotWindow::StartRecording(const QString& path) {
    std::string error;
    if (!writer_.Open(path.toStdString(), error)) {
        messages_.Show(language_.Lookup("IDS_ERR"),
                       language_.Lookup("IDS_PLOT_RECORD_FAILED") + "\n" + error);
        ShowState();
        return false;
    }
    recordPath_ = path;
    if (!Sampling()) StartSampling();  // ends the recording when nothing is ticked
    ShowState();
    return Recording();
}

void PlotWindow::StopRecording() {
    if (!writer_.IsOpen()) return;
    if (!writer_.Close())
        messages_.Show(language_.Lookup("IDS_ERR"),
                       language_.Lookup("IDS_PLOT_RECORD_FAILED") + "\n" + writer_.WriteError());
    ShowState();
}

void PlotWindow::GatewayClosed() {
    StopSampling();
    gateway_ = 0;
}

void PlotWindow::OnRound(const std::vector<Sample>& round) {
    if (!Sampling()) return;  // queued before the stop
    store_.Add(round);
    dirty_ = true;
    const bool allFailed = !round.empty() && std::none_of(round.begin(), round.end(),
                                                          [](const Sample& s) { return s.reading.value; });
    deadRounds_ = allFailed ? deadRounds_ + 1 : 0;
    if (deadRounds_ >= kDeadRounds) {
        // The gateway is gone: the file ends with the failed rows written so far.
        StopSampling();
        ui_->statusLabel->setText(Text("IDS_PLOT_GATEWAY_LOST"));
        return;
    }
    ShowState();
}

void PlotWindow::Redraw() {
    dirty_ = false;
    view_->Draw(store_, ui_->window->value(), [this](const Curve& curve) { return CurveName(curve); });
}

void PlotWindow::ShowState() {
    const bool sampling = Sampling();
    ui_->startButton->setChecked(sampling);
    ui_->startButton->setText(Text(sampling ? "IDS_PLOT_STOP" : "IDS_PLOT_START"));
    ui_->period->setEnabled(!sampling);
    ui_->quantityList->setEnabled(!sampling);
    ui_->pauseButton->setChecked(!view_->Following());
    ui_->pauseButton->setText(Text(view_->Following() ? "IDS_PLOT_PAUSE" : "IDS_PLOT_RESUME"));
    const bool recording = Recording();
    ui_->recordButton->setChecked(recording);
    ui_->recordButton->setText(Text(recording ? "IDS_PLOT_STOP_RECORD" : "IDS_PLOT_RECORD"));
    const SamplerTotals totals = sampler_.Totals();
    QString status = Text("IDS_PLOT_COUNTS").arg(totals.samples).arg(totals.failed).arg(totals.missed);
    if (recording || !recordPath_.isEmpty())
        status +=
            "  " +
            Text("IDS_PLOT_RECORD_COUNTS").arg(recordPath_).arg(writer_.Written()).arg(writer_.Dropped());
    ui_->statusLabel->setText(status);
}

void PlotWindow::ExportCsv() {
    const QString path = chooseFile(Text("IDS_PLOT_EXPORT_CSV"), "CSV (*.csv)");
    if (path.isEmpty()) return;
    if (!WriteFileText(path.toStdString(), VisibleCsv(store_, view_->From(), view_->To())))
        messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup("IDS_PLOT_EXPORT_FAILED"));
}

void PlotWindow::ExportPng() {
    const QString path = chooseFile(Text("IDS_PLOT_EXPORT_PNG"), "PNG (*.png)");
    if (path.isEmpty()) return;
    if (!view_->grab().save(path, "PNG"))
        messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup("IDS_PLOT_EXPORT_FAILED"));
}

void PlotWindow::closeEvent(QCloseEvent* event) {
    StopSampling();
    QWidget::closeEvent(event);
}

}  // namespace norvane::bench
