#pragma once
// The plot window: live curves of the chosen quantities of the ticked nodes, sampled by one
// Sampler worker whose rounds arrive queued on the user-interface thread; pause and resume,
// autoscale, the cursor read-out, the recording of every sample to a CSV file (a RecordWriter
// fed straight from the worker, so the disk never holds up sampling), and the export of the
// visible data as CSV and of the picture as PNG. Closing the window, stopping the sampling, the
// gateway closing, or rounds whose every read failed (the gateway gone) end the recording.
#include <QWidget>
#include <functional>
#include <memory>

#include "bench/core/language.h"
#include "bench/core/node_table.h"
#include "bench/core/user_messages.h"
#include "bench/plot/curve_store.h"
#include "bench/plot/record_writer.h"
#include "bench/plot/sampler.h"

namespace Ui {
class PlotWindow;
}

namespace norvane::bench {

class PlotView;

class PlotWindow : public QWidget {
    Q_OBJECT
public:
    PlotWindow(const SdkTable& sdk, const Language& language, UserMessages& messages,
               QWidget* parent = nullptr);
    ~PlotWindow() override;

    /// The nodes to offer (the ticked ones) on gateway, and the default period. Stops sampling
    /// when the gateway or the nodes change.
    void SetNodes(uint32_t gateway, const std::vector<NodeEntry>& nodes, int periodMs);
    /// Starts sampling the ticked quantities (nothing without one); stops.
    void StartSampling();
    void StopSampling();
    bool Sampling() const { return sampler_.Running(); }
    /// Starts recording to path (and sampling, when it does not run); false with a message box.
    bool StartRecording(const QString& path);
    void StopRecording();
    bool Recording() const { return writer_.IsOpen(); }
    /// The gateway was closed: sampling and the recording end.
    void GatewayClosed();
    /// Ticks or clears a node's quantity in the list.
    void Choose(int node, Quantity quantity, bool on);

    const CurveStore& Store() const { return store_; }
    PlotView& View() { return *view_; }
    Ui::PlotWindow& Form() { return *ui_; }
    /// Asks for a file to write (caption, filter); empty = cancelled. Tests replace it.
    std::function<QString(const QString& caption, const QString& filter)> chooseFile;
    /// Rounds in a row whose every read failed before the gateway is taken for gone.
    static constexpr int kDeadRounds = 3;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnRound(const std::vector<Sample>& round);
    void Redraw();
    void ShowState();
    void ExportCsv();
    void ExportPng();
    QString Text(const char* key) const;
    QString CurveName(const Curve& curve) const;
    std::vector<SamplePoint> Chosen() const;

    std::unique_ptr<Ui::PlotWindow> ui_;
    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    PlotView* view_;
    uint32_t gateway_ = 0;
    CurveStore store_;
    RecordWriter writer_;
    QString recordPath_;
    Sampler sampler_;  ///< last: stopped before anything it feeds goes
    int deadRounds_ = 0;
    bool dirty_ = false;
};

}  // namespace norvane::bench
