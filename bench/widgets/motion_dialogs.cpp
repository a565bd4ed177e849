#include "bench/widgets/motion_dialogs.h"

#include "bench/widgets/language_keys.h"
#include "ui_motor_param_dialog.h"
#include "ui_sensor_motion_dialog.h"
#include "ui_store_dialog.h"

namespace norvane::bench {

MotorParamDialog::MotorParamDialog(QWidget* parent, const Language& language, MotorParamCommand& command,
                                   const MotorParams& preset)
    : QDialog(parent), ui_(std::make_unique<Ui::MotorParamDialog>()), command_(command) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    QRadioButton* steps[] = {ui_->microstep1, ui_->microstep2, ui_->microstep4, ui_->microstep8,
                             ui_->microstep16};
    steps[preset.microstep >= 0 && preset.microstep < 5 ? preset.microstep : 0]->setChecked(true);
    ui_->currentEdit->setText(QString::fromStdString(preset.current));
    ui_->percentEdit->setText(QString::fromStdString(preset.percent));
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->okButton, &QPushButton::clicked, this, [this, steps] {
        MotorParams chosen;
        for (int i = 0; i < 5; ++i)
            if (steps[i]->isChecked()) chosen.microstep = i;
        chosen.current = ui_->currentEdit->text().toStdString();
        chosen.percent = ui_->percentEdit->text().toStdString();
        if (command_.Apply(chosen)) accept();
    });
}

MotorParamDialog::~MotorParamDialog() = default;

StoreDialog::StoreDialog(QWidget* parent, const Language& language, uint32_t firmware)
    : QDialog(parent), ui_(std::make_unique<Ui::StoreDialog>()), choice_(firmware) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    QCheckBox* edges[] = {ui_->store0, ui_->store1, ui_->store2, ui_->store3, ui_->store4, ui_->store5};
    for (int i = 0; i < 6; ++i) {
        edges[i]->setEnabled(!choice_.EdgesLocked());
        connect(edges[i], &QCheckBox::clicked, this, [this, i](bool on) {
            choice_.SetEdge(i, on);
            Show();
        });
    }
    connect(ui_->storeAll, &QCheckBox::clicked, this, [this](bool on) {
        choice_.SetStore(on);
        Show();
    });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

StoreDialog::~StoreDialog() = default;

void StoreDialog::Show() {
    ui_->storeAll->setChecked(choice_.Store());
    QCheckBox* edges[] = {ui_->store0, ui_->store1, ui_->store2, ui_->store3, ui_->store4, ui_->store5};
    for (int i = 0; i < 6; ++i) edges[i]->setChecked(choice_.Edge(i));
}

SensorMotionDialog::SensorMotionDialog(QWidget* parent, const Language& language, StoreCommands& commands,
                                       TickedNode node, int slot, bool accelerationByTime,
                                       bool decelerationByTime)
    : QDialog(parent), ui_(std::make_unique<Ui::SensorMotionDialog>()), commands_(commands), node_(node) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    setWindowTitle(QString("STO %1").arg(slot));
    ui_->slotCaption->setText(QString::fromStdString(StoreCommands::SlotCaption(slot)));
    ui_->accelerationUnit->setText(accelerationByTime ? "MS" : "PPS/S");
    ui_->decelerationUnit->setText(decelerationByTime ? "MS" : "PPS/S");
    const MotionGroup preset;
    ui_->speedEdit->setText(QString::fromStdString(preset.speed));
    ui_->displacementEdit->setText(QString::fromStdString(preset.displacement));
    ui_->accelerationEdit->setText(QString::fromStdString(preset.acceleration));
    ui_->decelerationEdit->setText(QString::fromStdString(preset.deceleration));
    ui_->startSpeedEdit->setText(QString::fromStdString(preset.startSpeed));
    ui_->stopSpeedEdit->setText(QString::fromStdString(preset.stopSpeed));
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->okButton, &QPushButton::clicked, this, [this] {
        MotionGroup group;
        group.speed = ui_->speedEdit->text().toStdString();
        group.displacement = ui_->displacementEdit->text().toStdString();
        group.acceleration = ui_->accelerationEdit->text().toStdString();
        group.deceleration = ui_->decelerationEdit->text().toStdString();
        group.startSpeed = ui_->startSpeedEdit->text().toStdString();
        group.stopSpeed = ui_->stopSpeedEdit->text().toStdString();
        if (commands_.WriteGroup(node_, group)) accept();
    });
}

SensorMotionDialog::~SensorMotionDialog() = default;

}  // namespace norvane::bench
