#include "bench/widgets/panel_view.h"

#include <QRadioButton>

#include "bench/widgets/motion_dialogs.h"
#include "ui_main_window.h"

namespace norvane::bench {

namespace {

const char* const kMicrosteps[] = {"1", "2", "4", "8", "16"};

}  // namespace

std::vector<TickedNode> WindowPanelHost::TickedNodes() const {
    std::vector<TickedNode> nodes;
    for (const NodeRow& row : logic_.Nodes().Rows())
        if (row.ticked)
            nodes.push_back({row.id, static_cast<uint32_t>(std::strtoul(row.firmware.c_str(), nullptr, 10))});
    return nodes;
}

PanelView::PanelView(Ui::MainWindow& ui, const SdkTable& sdk, const Language& language, const LogWriter& log,
                     UserMessages& messages, WindowLogic& logic, MonitorWorker& monitor,
                     std::function<void()> refreshWindow)
    : ui_(ui),
      language_(language),
      messages_(messages),
      logic_(logic),
      monitor_(monitor),
      host_(logic),
      panel_(sdk, language, log, messages, host_, monitor),
      store_(sdk, language, messages, host_, panel_),
      motorParams_(sdk, language, messages, host_),
      refreshWindow_(std::move(refreshWindow)) {
    using F = PanelFields;
    edits_ = {{ui.speedEdit, &F::speed},
              {ui.displacementEdit, &F::displacement},
              {ui.positionEdit, &F::position},
              {ui.encoderEdit, &F::encoder},
              {ui.actualSpeed, &F::actualSpeed},
              {ui.actualDisplacement, &F::actualDisplacement},
              {ui.actualPosition, &F::actualPosition},
              {ui.actualEncoder, &F::actualEncoder},
              {ui.globalSpeed, &F::globalSpeed},
              {ui.globalDisplacement, &F::globalDisplacement},
              {ui.globalPosition, &F::globalPosition},
              {ui.globalEncoder, &F::globalEncoder},
              {ui.globalCurrent, &F::globalCurrent},
              {ui.accTimeEdit, &F::accTime},
              {ui.decTimeEdit, &F::decTime},
              {ui.accValueEdit, &F::accValue},
              {ui.decValueEdit, &F::decValue},
              {ui.startSpeedEdit, &F::startSpeed},
              {ui.stopSpeedEdit, &F::stopSpeed},
              {ui.stallEdit, &F::stall},
              {ui.encoderLinesEdit, &F::encoderLines},
              {ui.backlashEdit, &F::backlash},
              {ui.atconHEdit, &F::atconH},
              {ui.atconLEdit, &F::atconL},
              {ui.currentEdit, &F::current},
              {ui.standbyEdit, &F::standbyPercent},
              {ui.autoEnableTime, &F::autoEnableTime},
              {ui.monitorInterval, &F::monitorInterval}};
    for (const char* m : kMicrosteps) ui.microstepBox->addItem(m);
    ui.microstepBox->setCurrentIndex(4);  // 16
    // The motor parameter row starts with 1.0 A, 100 % standby current and 10 ms auto-enable.
    ui.currentEdit->setText("1.0");
    ui.standbyEdit->setText("100");
    ui.autoEnableTime->setText("10");
    ui.monitorInterval->setText("500");
    ui.globalHalvingNormal->setChecked(true);
    ui.globalTtlHigh->setChecked(true);

    const std::vector<std::pair<QAbstractButton*, void (PanelLogic::*)()>> buttons{
        {ui.enaButton, &PanelLogic::Enable},
        {ui.offButton, &PanelLogic::Off},
        {ui.runButton, &PanelLogic::Run},
        {ui.speedSet, &PanelLogic::Run},
        {ui.stopButton, &PanelLogic::Stop},
        {ui.displacementSet, &PanelLogic::SetDisplacement},
        {ui.positionSet, &PanelLogic::SetPosition},
        {ui.encoderSet, &PanelLogic::SetEncoderPosition},
        {ui.orgButton, &PanelLogic::Origin},
        {ui.speedQuery, &PanelLogic::QuerySpeed},
        {ui.displacementQuery, &PanelLogic::QueryDisplacement},
        {ui.positionQuery, &PanelLogic::QueryPosition},
        {ui.encoderQuery, &PanelLogic::QueryEncoderPosition},
        {ui.accTimeSet, &PanelLogic::SetAccelerationTime},
        {ui.decTimeSet, &PanelLogic::SetDecelerationTime},
        {ui.accValueSet, &PanelLogic::SetAccelerationValue},
        {ui.decValueSet, &PanelLogic::SetDecelerationValue},
        {ui.accTimeQuery, &PanelLogic::QueryAccelerationTime},
        {ui.decTimeQuery, &PanelLogic::QueryDecelerationTime},
        {ui.accValueQuery, &PanelLogic::QueryAccelerationValue},
        {ui.decValueQuery, &PanelLogic::QueryDecelerationValue},
        {ui.startSpeedSet, &PanelLogic::SetStartSpeed},
        {ui.stopSpeedSet, &PanelLogic::SetStopSpeed},
        {ui.startSpeedQuery, &PanelLogic::QueryStartSpeed},
        {ui.stopSpeedQuery, &PanelLogic::QueryStopSpeed},
        {ui.motionSetAll, &PanelLogic::CombinedSet},
        {ui.motionQueryAll, &PanelLogic::CombinedQuery},
        {ui.encoderLinesSet, &PanelLogic::SetEncoderLines},
        {ui.encoderLinesQuery, &PanelLogic::QueryEncoderLines},
        {ui.stallSet, &PanelLogic::SetStall},
        {ui.stallQuery, &PanelLogic::QueryStall},
        {ui.backlashSet, &PanelLogic::SetBacklash},
        {ui.backlashQuery, &PanelLogic::QueryBacklash},
        {ui.specialSetAll, &PanelLogic::CombinedSpecialSet},
        {ui.specialQueryAll, &PanelLogic::CombinedSpecialQuery},
        {ui.sensor1Query, &PanelLogic::QuerySensors},
        {ui.sensor2Query, &PanelLogic::QuerySensors},
        {ui.sensor3Query, &PanelLogic::QuerySensors},
        {ui.p4Set, &PanelLogic::SetP4Output},
        {ui.p4Query, &PanelLogic::QueryP4Output},
        {ui.atconHSet, &PanelLogic::SetAtconH},
        {ui.atconLSet, &PanelLogic::SetAtconL},
        {ui.fbkButton, &PanelLogic::CurrentStatus},
        {ui.ackButton, &PanelLogic::DriveParameters},
        {ui.sfbkButton, &PanelLogic::SensorStatus},
        {ui.motorParamSet, &PanelLogic::SetMotorParameters},
        {ui.motorParamQuery, &PanelLogic::QueryMotorParameters},
        {ui.burnNodeId, &PanelLogic::BurnNodeId},
        {ui.baudSet, &PanelLogic::ChangeRs232Baud},
        {ui.globalSpeedSet, &PanelLogic::GlobalSpeed},
        {ui.globalDisplacementSet, &PanelLogic::GlobalDisplacement},
        {ui.globalPositionSet, &PanelLogic::GlobalPosition},
        {ui.globalEncoderSet, &PanelLogic::GlobalEncoderPosition},
        {ui.globalCurrentSet, &PanelLogic::GlobalCurrent},
        {ui.globalMicrostepSet, &PanelLogic::GlobalMicrostep},
        {ui.globalHalvingSet, &PanelLogic::GlobalHalving},
        {ui.globalTtlSet, &PanelLogic::GlobalTtl},
        {ui.globalOff, &PanelLogic::GlobalOff},
        {ui.globalOrg, &PanelLogic::GlobalOrigin},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QAbstractButton::clicked, this,
                [this, handler = handler] { Run([handler](PanelLogic& p) { (p.*handler)(); }); });
    const std::pair<QAbstractButton*, int> holdOffs[] = {
        {ui.holdOff1Set, 1}, {ui.holdOff2Set, 2}, {ui.holdOff3Set, 3}};
    for (const auto& [button, sensor] : holdOffs)
        connect(button, &QAbstractButton::clicked, this,
                [this, sensor = sensor] { Run([sensor](PanelLogic& p) { p.SetHoldOff(sensor); }); });
    connect(ui.enaOffToggle, &QAbstractButton::clicked, this,
            [this](bool down) { Run([down](PanelLogic& p) { p.EnableOffToggle(down); }); });
    connect(ui.p4High, &QAbstractButton::clicked, this, [this] { panel_.SetP4Level(1), Sync(); });
    connect(ui.p4Low, &QAbstractButton::clicked, this, [this] { panel_.SetP4Level(0), Sync(); });
    connect(ui.motorParamDialog, &QAbstractButton::clicked, this, &PanelView::MotorParameters);
    connect(ui.storeButton, &QAbstractButton::clicked, this, &PanelView::Store);
    QAbstractButton* sto[] = {ui.sto0Button, ui.sto1Button, ui.sto2Button, ui.sto3Button,
                              ui.sto4Button, ui.sto5Button, ui.sto6Button, ui.sto7Button};
    for (int slot = 0; slot < 8; ++slot)
        connect(sto[slot], &QAbstractButton::clicked, this, [this, slot] { Sto(slot); });
    connect(ui.monitorButton, &QAbstractButton::clicked, this, &PanelView::ToggleMonitor);
    connect(ui.switchStation, &QAbstractButton::clicked, this, [this] { SetMode(PanelMode::PerNode); });
    connect(ui.switchGlobal, &QAbstractButton::clicked, this, [this] { SetMode(PanelMode::Global); });
    connect(ui.switchCommand, &QAbstractButton::clicked, this, [this] { SetMode(PanelMode::Command); });
    connect(ui.showReturn, &QAbstractButton::toggled, this, [this](bool on) { panel_.SetShowReturn(on); });
    panel_.SetShowReturn(ui.showReturn->isChecked());
    SetMode(PanelMode::PerNode);
}

QString PanelView::Text(const char* key) const {
    return QString::fromStdString(language_.Lookup(key));
}

void PanelView::ReadFields() {
    PanelFields& f = panel_.Fields();
    for (const auto& [edit, field] : edits_) f.*field = edit->text().toStdString();
    f.microstep = ui_.microstepBox->currentIndex();
    const QRadioButton* steps[] = {ui_.globalMicrostep1, ui_.globalMicrostep2, ui_.globalMicrostep4,
                                   ui_.globalMicrostep8, ui_.globalMicrostep16};
    f.globalMicrostep = -1;
    for (int i = 0; i < 5; ++i)
        if (steps[i]->isChecked()) f.globalMicrostep = i;
    f.globalHalving = ui_.globalHalvingHalf->isChecked() ? 1 : 0;
    f.globalTtl = ui_.globalTtlLow->isChecked() ? 1 : 0;
    const QLineEdit* holdOff[] = {ui_.holdOff1, ui_.holdOff2, ui_.holdOff3};
    for (size_t k = 0; k < 3; ++k) f.holdOff[k] = holdOff[k]->text().toStdString();
    f.newNodeId = std::to_string(ui_.nodeNumber->value());
    f.baud = ui_.baudList->currentText().toStdString();
}

void PanelView::WriteFields() {
    const PanelFields& f = panel_.Fields();
    for (const auto& [edit, field] : edits_) edit->setText(QString::fromStdString(f.*field));
    ui_.microstepBox->setCurrentIndex(f.microstep);
    QRadioButton* steps[] = {ui_.globalMicrostep1, ui_.globalMicrostep2, ui_.globalMicrostep4,
                             ui_.globalMicrostep8, ui_.globalMicrostep16};
    if (f.globalMicrostep >= 0 && f.globalMicrostep < 5) steps[f.globalMicrostep]->setChecked(true);
    QLineEdit* holdOff[] = {ui_.holdOff1, ui_.holdOff2, ui_.holdOff3};
    QLineEdit* levels[] = {ui_.sensorLevel1, ui_.sensorLevel2, ui_.sensorLevel3};
    for (size_t k = 0; k < 3; ++k) {
        holdOff[k]->setText(QString::fromStdString(f.holdOff[k]));
        levels[k]->setText(QString::fromStdString(f.sensorLevel[k]));
    }
}

void PanelView::Run(const std::function<void(PanelLogic&)>& handler) {
    ReadFields();
    handler(panel_);
    WriteFields();
    refreshWindow_();
}

bool PanelView::RunForEdit(int controlId) {
    bool ran = false;
    Run([&](PanelLogic& p) { ran = p.RunForEdit(controlId); });
    return ran;
}

void PanelView::ControllerTicked(bool expanded) {
    Run([expanded](PanelLogic& p) { p.ControllerTicked(expanded); });
}

void PanelView::ExpandQueries() {
    Run([](PanelLogic& p) { p.ExpandQueries(); });
}

void PanelView::Sync() {
    const bool monitoring = monitor_.Running();
    ui_.monitorButton->setChecked(monitoring);
    ui_.monitorButton->setText(Text(monitoring ? "IDC_NOT_REALTIME" : "IDC_REALTIME"));
    ui_.monitorInterval->setEnabled(!monitoring && ui_.monitorButton->isEnabled());
    ui_.p4High->setChecked(panel_.P4Level() == 1);
    ui_.p4Low->setChecked(panel_.P4Level() == 0);
    const PanelMode mode = panel_.Mode();
    if (mode == PanelMode::Global) ui_.autoEnableTime->setEnabled(false);
    ui_.globalGroup->setVisible(mode == PanelMode::Global);
    ui_.panelScroll->setVisible(mode != PanelMode::Command);
    ui_.switchStation->setChecked(mode == PanelMode::PerNode);
    ui_.switchGlobal->setChecked(mode == PanelMode::Global);
    ui_.switchCommand->setChecked(mode == PanelMode::Command);
    // The command-entry box shows the history newest first, its edit text the latest command.
    const auto& entries = panel_.History().Entries();
    if (ui_.commandBox->count() != static_cast<int>(entries.size()) ||
        (!entries.empty() && ui_.commandBox->itemText(0).toStdString() != entries.front())) {
        ui_.commandBox->clear();
        for (const std::string& entry : entries) ui_.commandBox->addItem(QString::fromStdString(entry));
        ui_.commandBox->setEditText(QString::fromStdString(panel_.History().Latest()));
    }
}

void PanelView::SetMode(PanelMode mode) {
    panel_.SetMode(mode);
    refreshWindow_();
    if (mode == PanelMode::Command) ui_.commandEdit->setFocus();
}

void PanelView::MotorParameters() {
    const auto preset = motorParams_.Prepare();
    if (!preset) return;
    MotorParamDialog dialog(ui_.centralWidget->window(), language_, motorParams_, *preset);
    dialog.exec();
    refreshWindow_();
}

void PanelView::Store() {
    const auto first = store_.Prepare();
    if (!first) return;
    StoreDialog dialog(ui_.centralWidget->window(), language_, first->firmware);
    if (dialog.exec() == QDialog::Accepted) store_.Store(dialog.Choice());
    refreshWindow_();
}

void PanelView::Sto(int slot) {
    const auto first = store_.Prepare();
    if (!first) return;
    if (slot >= 1) {
        const CurrentNode& current = logic_.Current();
        SensorMotionDialog dialog(ui_.centralWidget->window(), language_, store_, *first, slot,
                                  current.McfgHas(mcfg::kAccelerationByTime),
                                  current.McfgHas(mcfg::kDecelerationByTime));
        if (dialog.exec() != QDialog::Accepted) return;
    }
    store_.Sto(slot);
    refreshWindow_();
}

void PanelView::ToggleMonitor(bool on) {
    const Exchanged interval = ExchangeInteger(ui_.monitorInterval->text().toStdString(), 0, 9999999);
    if (!interval.value) {
        messages_.Show(kApplicationTitle, interval.message);
        Sync();
        return;
    }
    if (monitor_.Running()) monitor_.Stop();
    if (on) {
        const auto ticked = host_.TickedNodes();
        monitor_.Configure(logic_.Gateway(), ticked.empty() ? 0 : ticked.front().id,
                           static_cast<uint32_t>(*interval.value));
        monitor_.Start();
    } else {
        for (QLineEdit* field :
             {ui_.actualSpeed, ui_.actualDisplacement, ui_.actualPosition, ui_.actualEncoder})
            field->clear();
    }
    Sync();
}

void PanelView::ShowReading(const MonitorReading& reading) {
    if (!monitor_.Running()) return;  // a reading queued before the stop
    ui_.actualSpeed->setText(QString::number(reading.speed));
    ui_.actualDisplacement->setText(QString::number(reading.displacement));
    ui_.actualEncoder->setText(reading.byEncoder ? QString::number(reading.position) : QString());
    ui_.actualPosition->setText(reading.byEncoder ? QString() : QString::number(reading.position));
}

}  // namespace norvane::bench
