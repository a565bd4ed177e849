#pragma once
// The register buttons of the main window (MCFG, ICFG, the sensor menu with S12CON, S34CON,
// ATCONL and ATCONH, the S12CON and S34CON buttons, advanced enable) and the batch writer of the
// utility menu: each reads through the register commands, shows its dialog modally and writes
// after OK. User-interface thread only.
#include <QObject>
#include <functional>

#include "bench/core/window_logic.h"
#include "bench/dialogs/register_commands.h"

namespace Ui {
class MainWindow;
}

namespace norvane::bench {

class PanelLogic;

/// The register commands' view of the main window: its logic, the panel's history and the
/// window's own controls.
class WindowRegisterHost : public RegisterHost {
public:
    WindowRegisterHost(Ui::MainWindow& ui, const SdkTable& sdk, const Language& language,
                       UserMessages& messages, WindowLogic& logic, PanelLogic& panel,
                       std::function<void()> refreshWindow);
    uint32_t Gateway() const override { return logic_.Gateway(); }
    bool Precheck() override { return logic_.Precheck(); }
    std::vector<int> TickedNodes() const override { return logic_.Nodes().TickedIds(); }
    const NodeEntry* FindNode(int id) const override { return logic_.FindNode(id); }
    int32_t CachedMcfg() const override { return logic_.Current().Mcfg(); }
    void SetCachedMcfg(int32_t word) override { logic_.Current().SetMcfg(word); }
    bool MotorOff(int node) override;
    void AddHistory(const std::string& text) override;
    bool ShowReturnMessages() const override;
    void McfgChanged() override { refreshWindow_(); }
    void SetAutoEnableTimeEnabled(bool on) override;
    void SetEnableToggle(bool on) override;

private:
    Ui::MainWindow& ui_;
    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    WindowLogic& logic_;
    PanelLogic& panel_;
    std::function<void()> refreshWindow_;
};

class RegisterView : public QObject {
    Q_OBJECT
public:
    RegisterView(Ui::MainWindow& ui, QWidget* window, const SdkTable& sdk, const Language& language,
                 const LogWriter& log, UserMessages& messages, WindowLogic& logic, PanelLogic& panel,
                 std::function<void()> refreshWindow);

    void Mcfg();
    void Icfg();
    void S12Con();
    void S34Con();
    /// The ATCONH (high) or ATCONL dialog; OK puts the value into the panel's field and sets it.
    void Atcon(bool high);
    void AdvancedEnable();
    /// The batch writer on the first ticked node (nothing opens when no row is ticked).
    void BatchWriter();

private:
    void ShowSensorMenu();

    Ui::MainWindow& ui_;
    QWidget* window_;
    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    WindowLogic& logic_;
    WindowRegisterHost host_;
    RegisterCommands commands_;
    std::function<void()> refreshWindow_;
};

}  // namespace norvane::bench
