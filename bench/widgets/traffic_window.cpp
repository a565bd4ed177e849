#include "bench/widgets/traffic_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QScrollBar>

#include "bench/widgets/dialog_support.h"
#include "bench/widgets/traffic_model.h"
#include "ui_traffic_window.h"

namespace norvane::bench {

TrafficWindow::TrafficWindow(const SdkTable& sdk, const Language& language, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::TrafficWindow>()),
      language_(language),
      feed_(sdk) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language_);
    model_ = new TrafficModel(log_, language_, this);
    QTableView* table = ui_->table;
    table->setModel(model_);
    // Fixed row heights: the view never measures rows, however many join.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    const int widths[TrafficModel::ColumnCount] = {100, 50, 90, 50, 100, 80, 180, 80};
    for (int column = 0; column < TrafficModel::ColumnCount; ++column)
        table->setColumnWidth(column, widths[column]);
    RefreshChoices();

    askSavePath = [this] {
        return QFileDialog::getSaveFileName(this, Q(language_.Lookup("IDS_TRAFFIC_SAVE")), "traffic.log",
                                            "candump (*.log);;* (*)");
    };
    connect(ui_->nodeFilter, &QComboBox::activated, this, [this] { ApplyFilter(); });
    connect(ui_->commandFilter, &QComboBox::activated, this, [this] { ApplyFilter(); });
    connect(ui_->pauseButton, &QPushButton::toggled, this,
            [this](bool paused) { model_->Reload([this, paused] { log_.SetPaused(paused); }); });
    connect(ui_->clearButton, &QPushButton::clicked, this, [this] {
        // The choices start again from nothing, and so does the filter they show.
        model_->Reload([this] {
            log_.Clear();
            log_.SetFilter({});
        });
        RefreshChoices();
        ShowStatus();
    });
    connect(ui_->saveButton, &QPushButton::clicked, this, [this] {
        const QString path = askSavePath();
        if (!path.isEmpty() && !SaveTo(path))
            QMessageBox::warning(this, windowTitle(),
                                 Q(language_.Lookup("IDS_TRAFFIC_SAVE_FAILED")).arg(path));
    });
    connect(&timer_, &QTimer::timeout, this, &TrafficWindow::TakeFrames);
    ShowStatus();
}

TrafficWindow::~TrafficWindow() = default;

void TrafficWindow::showEvent(QShowEvent* event) {
    // The callback runs only while the window is open: a closed window costs the SDK nothing.
    if (!feed_.Running() && feed_.Start()) timer_.start(kBatchIntervalMs);
    ShowStatus();
    QWidget::showEvent(event);
}

void TrafficWindow::closeEvent(QCloseEvent* event) {
    timer_.stop();
    feed_.Stop();
    TakeFrames();
    QWidget::closeEvent(event);
}

void TrafficWindow::TakeFrames() {
    const std::vector<KymTrafficFrame> frames = feed_.Drain();
    if (!frames.empty()) {
        std::vector<TrafficRow> rows;
        rows.reserve(frames.size());
        for (const KymTrafficFrame& frame : frames) rows.push_back(DecodeTrafficFrame(frame));
        QScrollBar* bar = ui_->table->verticalScrollBar();
        const bool atBottom = bar->value() == bar->maximum();
        const size_t nodes = log_.Nodes().size(), commands = log_.Commands().size();
        model_->Append(rows);
        if (atBottom && !log_.Paused()) ui_->table->scrollToBottom();
        if (log_.Nodes().size() != nodes || log_.Commands().size() != commands) RefreshChoices();
    }
    ShowStatus();
}

bool TrafficWindow::SaveTo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const std::string text = log_.CandumpText();
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
           file.flush();
}

void TrafficWindow::ApplyFilter() {
    TrafficFilter filter;
    const int node = ui_->nodeFilter->currentData().toInt();
    const int command = ui_->commandFilter->currentData().toInt();
    if (node >= 0) filter.node = node;
    if (command >= 0) filter.command = command;
    model_->Reload([this, &filter] { log_.SetFilter(filter); });
    ShowStatus();
}

void TrafficWindow::RefreshChoices() {
    // The choices are the nodes and commands seen so far; the current choice stays selected.
    const QString all = Q(language_.Lookup("IDS_TRAFFIC_ALL"));
    const auto fill = [&all](QComboBox* box, const std::vector<std::pair<int, QString>>& items) {
        const int current = box->currentIndex() < 0 ? -1 : box->currentData().toInt();
        box->clear();
        box->addItem(all, -1);
        for (const auto& [value, text] : items) box->addItem(text, value);
        box->setCurrentIndex(std::max(0, box->findData(current)));
    };
    std::vector<std::pair<int, QString>> nodes, commands;
    for (int node : log_.Nodes()) nodes.emplace_back(node, QString::number(node));
    for (const auto& [number, name] : log_.Commands())
        commands.emplace_back(
            number, name.empty() ? QString::number(number) : QString("%1 (%2)").arg(Q(name)).arg(number));
    fill(ui_->nodeFilter, nodes);
    fill(ui_->commandFilter, commands);
}

void TrafficWindow::ShowStatus() {
    if (!feed_.Available()) {
        ui_->statusLabel->setText(Q(language_.Lookup("IDS_TRAFFIC_UNAVAILABLE")));
        return;
    }
    ui_->statusLabel->setText(Q(language_.Lookup("IDS_TRAFFIC_STATUS"))
                                  .arg(static_cast<qulonglong>(log_.Shown().size()))
                                  .arg(static_cast<qulonglong>(feed_.Dropped())));
}

}  // namespace norvane::bench
