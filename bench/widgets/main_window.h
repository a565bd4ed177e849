#pragma once
// Kestrin's main window: a thin view over the window logic and the command interpreter. Handlers
// call the logic and then show its state; log and notice lines from any thread are queued to the
// user-interface thread, where the panes' models are updated.
#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bench/core/interpreter.h"
#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/monitor_control.h"
#include "bench/core/notice_display.h"
#include "bench/core/return_pane.h"
#include "bench/core/script_runner.h"
#include "bench/core/sleeper.h"
#include "bench/core/window_logic.h"
#include "bench/panel/monitor_worker.h"

namespace Ui {
class MainWindow;
}

namespace norvane::bench {

class PanelView;
class PlotWindow;
class RegisterView;
class TrafficWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// messages: where boxes go (the window's own modal boxes when null).
    MainWindow(const SdkTable& sdk, const Language& language, std::string programDir,
               UserMessages* messages = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    WindowLogic& Logic() { return *logic_; }
    PanelView& Panel() { return *panel_; }
    RegisterView& Registers() { return *registers_; }
    Ui::MainWindow& Form() { return *ui_; }
    const NoticeDisplay& Notices() const { return notices_; }
    /// The exit item of the main menu: closes at once and leaves the gateway open.
    void ExitFromMenu();
    /// The search button; leftShift as if the left Shift key were down.
    void Search(bool leftShift);
    /// The gateway search parameters item of the main menu.
    void OpenGatewaySearch();
    /// The plot window (Tools menu, the panel's plot button): made on first use, offered the
    /// ticked nodes each time it opens.
    void OpenPlot();
    /// The plot window, or null before it was first opened.
    PlotWindow* Plot() const { return plot_.get(); }
    /// The device dialog open at the moment (modal), or null; tests reach it through this.
    QDialog* DeviceDialog() const { return deviceDialog_; }
    /// Searches, connects to the first gateway found and discovers its nodes (kestrin --connect).
    void ConnectFirstGateway();
    /// The Enter key in a panel edit (speed, displacement, ramps, global values, ATCON, node
    /// number...) calls handler with the edit's control id; the panel runs that row's command.
    /// Without a handler Enter does nothing there. It never closes the window.
    void SetPanelEnterHandler(std::function<void(int controlId)> handler) {
        panelEnter_ = std::move(handler);
    }

    /// The script item while no script runs: asks for the file (chooseScript, given the filter),
    /// starts it and waits kScriptStartPauseMs before returning.
    void LoadScript();
    /// Asks for a script file with the file dialog's filter; empty = cancelled. Tests replace it.
    std::function<QString(const QString& filter)> chooseScript;
    static constexpr int kScriptStartPauseMs = 1000;
    /// A language chosen in the Settings menu's language list: kept for the next start (said so).
    void ChooseLanguage(const std::string& name);
    /// The Tools menu's bus traffic item: shows the traffic window (made on first use, kept).
    void OpenTraffic();
    /// The traffic window, or null before it was first opened.
    TrafficWindow* Traffic() const { return traffic_; }
    /// The about box: program name and version, OK and Help (which opens the manual).
    void ShowAbout();
    /// Opens the manual (F1, the Help menu, the about box's Help). Tests replace it.
    std::function<void()> openManual;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyLanguage();
    void SetUpPlot();
    /// The plot follows the connection: sampling ends when the gateway closes.
    void RefreshPlot();
    void ApplyImages();
    void ApplyLook();
    /// Folded hides the widgets marked expandedOnly; expanded shows them.
    void ApplyFold();
    void InstallEnterRouting();
    bool RouteEnter(QObject* watched);
    void Refresh();
    /// Ticks a row through the logic; a newly ticked motor controller gets the panel's queries.
    void TickRow(size_t row);
    void RefreshNodeList();
    /// The command box (edit 1521, button 1460): runs its text for the first ticked node (0
    /// without one) and clears it.
    void SendCommand();
    /// The history box's Send (1009): runs the entry shown; the box keeps it.
    void SendHistory();
    void AddLogLine(const std::string& line);
    void AddNotice(const std::string& line);
    void SetNotify(bool on);
    void ShowUtilityMenu();
    void OpenManual();
    QString Text(const char* key) const;
    template <typename Dialog>
    void OpenDevice();

    std::unique_ptr<Ui::MainWindow> ui_;
    const SdkTable& sdk_;
    const Language& language_;
    std::string programDir_;
    std::unique_ptr<UserMessages> ownMessages_;
    UserMessages& messages_;
    std::unique_ptr<MonitorWorker> monitor_;
    LogWriter log_;
    NoticeDisplay notices_;
    ReturnPane returnPane_, noticePane_;
    CommandState state_;
    Sleeper sleeper_;
    std::unique_ptr<WindowLogic> logic_;
    std::unique_ptr<Interpreter> interpreter_;
    std::unique_ptr<ScriptRunner> scripts_;
    std::unique_ptr<PanelView> panel_;
    std::unique_ptr<RegisterView> registers_;
    std::unique_ptr<PlotWindow> plot_;
    std::function<void(int)> panelEnter_;
    bool refreshing_ = false;
    bool exiting_ = false;
    QDialog* deviceDialog_ = nullptr;
    TrafficWindow* traffic_ = nullptr;  ///< a child window: Qt deletes it with the main window
};

struct WindowOptions {
    std::optional<uint16_t> ethernetPort;  ///< --port N: the Ethernet gateways' server port
    bool connect = false;                  ///< --connect: search, connect and discover at start
};

/// Runs the window program: language, SDK binding, the window until it closes. Returns the exit
/// status.
int RunWindow(int argc, char** argv, const std::string& programDir, const WindowOptions& options);

}  // namespace norvane::bench
