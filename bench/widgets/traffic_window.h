#pragma once
// The bus traffic window (Tools menu): a live table of the frames the SDK hands over, with
// filters by node and by command, pause, clear, saving as a candump log and the count of frames
// lost on the way. A thin view over TrafficLog and TrafficFeed: a timer on the user-interface
// thread takes what the feed gathered and appends it as one batch.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"
#include "bench/traffic/traffic_feed.h"
#include "bench/traffic/traffic_log.h"

namespace Ui {
class TrafficWindow;
}

namespace norvane::bench {

class TrafficModel;

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    /// How often the gathered frames join the table.
    static constexpr int kBatchIntervalMs = 100;

    TrafficWindow(const SdkTable& sdk, const Language& language, QWidget* parent = nullptr);
    ~TrafficWindow() override;
    Ui::TrafficWindow& Form() { return *ui_; }
    TrafficModel& Model() { return *model_; }
    const TrafficLog& Log() const { return log_; }
    /// Takes the frames gathered so far into the table now (the timer does it every interval).
    void TakeFrames();
    /// Where the save button writes (the file dialog unless a test replaces it); empty: cancelled.
    std::function<QString()> askSavePath;
    /// Writes the shown rows to path as a candump log; false when the file cannot be written.
    bool SaveTo(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ApplyFilter();
    void RefreshChoices();
    void ShowStatus();

    std::unique_ptr<Ui::TrafficWindow> ui_;
    const Language& language_;
    TrafficLog log_;
    TrafficFeed feed_;
    TrafficModel* model_ = nullptr;
    QTimer timer_;
};

}  // namespace norvane::bench
