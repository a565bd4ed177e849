#pragma once
// The node control panel of the main window: a thin view over the panel logic. Each button runs
// one handler of the logic between copying the fields' texts in and showing them again; the
// monitor worker's readings are queued to the user-interface thread. Enter in the panel's edits
// reaches it through the window's single Enter routing (RunForEdit).
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "bench/core/window_logic.h"
#include "bench/panel/monitor_worker.h"
#include "bench/panel/motor_param_command.h"
#include "bench/panel/panel_logic.h"
#include "bench/panel/store_commands.h"

class QLineEdit;
class QAbstractButton;

namespace Ui {
class MainWindow;
}

namespace norvane::bench {

/// The panel's view of the window logic.
class WindowPanelHost : public PanelHost {
public:
    explicit WindowPanelHost(WindowLogic& logic) : logic_(logic) {}
    uint32_t Gateway() const override { return logic_.Gateway(); }
    bool Connected() const override { return logic_.Connected(); }
    std::vector<TickedNode> TickedNodes() const override;
    bool Precheck() override { return logic_.Precheck(); }
    bool ControlEnabled(int id) const override { return logic_.Controls().Enabled(id); }
    CurrentNode& Current() override { return logic_.Current(); }
    void UntickAll() override { logic_.UntickAll(); }
    void Rediscover() override { logic_.Discover(); }
    void Disconnected() override { logic_.ForgetConnection(); }
    void SetBaudRate(int) override {}  // the next RS-232 search takes its rate from the search settings

private:
    WindowLogic& logic_;
};

class PanelView : public QObject {
    Q_OBJECT
public:
    /// refreshWindow: shows the window logic's state again (after commands that change it).
    PanelView(Ui::MainWindow& ui, const SdkTable& sdk, const Language& language, const LogWriter& log,
              UserMessages& messages, WindowLogic& logic, MonitorWorker& monitor,
              std::function<void()> refreshWindow);

    PanelLogic& Logic() { return panel_; }
    /// The Enter key in a panel edit (by control id): runs its command; false when it has none.
    bool RunForEdit(int controlId);
    /// Shows the panel's own state after the window refreshed (mode, monitor, history, P4).
    void Sync();
    /// A motor controller was ticked (expanded: the window is expanded): the panel's queries.
    void ControllerTicked(bool expanded);
    /// The window expanded with a motor controller ticked: the expand queries.
    void ExpandQueries();
    /// A monitor reading, on the user-interface thread.
    void ShowReading(const MonitorReading& reading);

private:
    void Run(const std::function<void(PanelLogic&)>& handler);
    void ReadFields();
    void WriteFields();
    void ToggleMonitor(bool on);
    void SetMode(PanelMode mode);
    void MotorParameters();
    void Store();
    void Sto(int slot);
    QString Text(const char* key) const;

    Ui::MainWindow& ui_;
    const Language& language_;
    UserMessages& messages_;
    WindowLogic& logic_;
    MonitorWorker& monitor_;
    WindowPanelHost host_;
    PanelLogic panel_;
    StoreCommands store_;
    MotorParamCommand motorParams_;
    std::function<void()> refreshWindow_;
    std::vector<std::pair<QLineEdit*, std::string PanelFields::*>> edits_;
};

}  // namespace norvane::bench
