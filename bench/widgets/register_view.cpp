#include "bench/widgets/register_view.h"

#include <QMenu>

#include "bench/core/current_node.h"
#include "bench/panel/panel_logic.h"
#include "bench/widgets/batch_writer_dialog.h"
#include "bench/widgets/register_dialogs.h"
#include "ui_main_window.h"

namespace norvane::bench {

WindowRegisterHost::WindowRegisterHost(Ui::MainWindow& ui, const SdkTable& sdk, const Language& language,
                                       UserMessages& messages, WindowLogic& logic, PanelLogic& panel,
                                       std::function<void()> refreshWindow)
    : ui_(ui),
      sdk_(sdk),
      language_(language),
      messages_(messages),
      logic_(logic),
      panel_(panel),
      refreshWindow_(std::move(refreshWindow)) {}

bool WindowRegisterHost::MotorOff(int node) {
    return CheckMotorOff(sdk_, logic_.Gateway(), node, language_, messages_);
}

void WindowRegisterHost::AddHistory(const std::string& text) {
    panel_.AddHistory(text);
}

bool WindowRegisterHost::ShowReturnMessages() const {
    return ui_.showReturn->isChecked();
}

void WindowRegisterHost::SetAutoEnableTimeEnabled(bool on) {
    ui_.autoEnableTime->setEnabled(on);
}

void WindowRegisterHost::SetEnableToggle(bool on) {
    ui_.enaOffToggle->setChecked(on);
}

RegisterView::RegisterView(Ui::MainWindow& ui, QWidget* window, const SdkTable& sdk, const Language& language,
                           const LogWriter& log, UserMessages& messages, WindowLogic& logic,
                           PanelLogic& panel, std::function<void()> refreshWindow)
    : ui_(ui),
      window_(window),
      sdk_(sdk),
      language_(language),
      messages_(messages),
      logic_(logic),
      host_(ui, sdk, language, messages, logic, panel, refreshWindow),
      commands_(sdk, language, log, messages, host_),
      refreshWindow_(std::move(refreshWindow)) {
    connect(ui.mcfgButton, &QPushButton::clicked, this, &RegisterView::Mcfg);
    connect(ui.icfgButton, &QPushButton::clicked, this, &RegisterView::Icfg);
    connect(ui.s12conButton, &QPushButton::clicked, this, &RegisterView::S12Con);
    connect(ui.s34conButton, &QPushButton::clicked, this, &RegisterView::S34Con);
    connect(ui.sensorMenu, &QPushButton::clicked, this, &RegisterView::ShowSensorMenu);
    connect(ui.advEnaButton, &QPushButton::clicked, this, &RegisterView::AdvancedEnable);
}

void RegisterView::ShowSensorMenu() {
    QMenu menu(window_);
    connect(menu.addAction("S12CON"), &QAction::triggered, this, &RegisterView::S12Con);
    connect(menu.addAction("S34CON"), &QAction::triggered, this, &RegisterView::S34Con);
    connect(menu.addAction("ATCONL"), &QAction::triggered, this, [this] { Atcon(false); });
    connect(menu.addAction("ATCONH"), &QAction::triggered, this, [this] { Atcon(true); });
    menu.exec(ui_.sensorMenu->mapToGlobal(QPoint(0, ui_.sensorMenu->height())));
}

void RegisterView::Mcfg() {
    if (auto editor = commands_.BeginMcfg()) {
        McfgDialog dialog(*editor, language_, window_);
        if (dialog.exec() == QDialog::Accepted) commands_.FinishMcfg(dialog.Editor());
    }
    refreshWindow_();
}

void RegisterView::Icfg() {
    if (auto editor = commands_.BeginIcfg()) {
        IcfgDialog dialog(*editor, language_, window_);
        if (dialog.exec() == QDialog::Accepted) commands_.FinishIcfg(dialog.Editor());
    }
    refreshWindow_();
}

void RegisterView::S12Con() {
    if (auto setup = commands_.BeginS12()) {
        S12ConDialog dialog(*setup, language_, messages_, window_);
        if (dialog.exec() == QDialog::Accepted) commands_.FinishS12(dialog.Setup());
    }
    refreshWindow_();
}

void RegisterView::S34Con() {
    if (auto setup = commands_.BeginS34()) {
        S34ConDialog dialog(*setup, language_, messages_, window_);
        if (dialog.exec() == QDialog::Accepted) commands_.FinishS34(dialog.Setup());
    }
    refreshWindow_();
}

void RegisterView::Atcon(bool high) {
    QLineEdit* field = high ? ui_.atconHEdit : ui_.atconLEdit;
    AtconDialog dialog(high, field->text(), language_, messages_, window_);
    if (dialog.exec() != QDialog::Accepted) return;
    field->setText(QString::number(dialog.Value()));
    (high ? ui_.atconHSet : ui_.atconLSet)->click();  // the panel's ATCONH / ATCONL set command
}

void RegisterView::AdvancedEnable() {
    AdvEnaDialog dialog(language_, window_);
    dialog.exec();
}

void RegisterView::BatchWriter() {
    const auto node = logic_.Nodes().FirstTicked();
    if (!node) return;
    BatchWriterDialog dialog(sdk_, language_, messages_, logic_.Gateway(), *node, window_);
    dialog.exec();
}

}  // namespace norvane::bench
