#pragma once
// The motor parameter, STORE and sensor-edge motion dialogs: views over the panel's store and
// motor parameter commands, each laid out in its .ui file. OK asks the command and closes only
// when it accepts.
#include <QDialog>
#include <memory>

#include "bench/panel/motor_param_command.h"
#include "bench/panel/store_commands.h"

namespace Ui {
class MotorParamDialog;
class StoreDialog;
class SensorMotionDialog;
}  // namespace Ui

namespace norvane::bench {

class MotorParamDialog : public QDialog {
    Q_OBJECT
public:
    MotorParamDialog(QWidget* parent, const Language& language, MotorParamCommand& command,
                     const MotorParams& preset);
    ~MotorParamDialog() override;
    Ui::MotorParamDialog& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::MotorParamDialog> ui_;
    MotorParamCommand& command_;
};

class StoreDialog : public QDialog {
    Q_OBJECT
public:
    StoreDialog(QWidget* parent, const Language& language, uint32_t firmware);
    ~StoreDialog() override;
    const StoreChoice& Choice() const { return choice_; }
    Ui::StoreDialog& Form() { return *ui_; }

private:
    void Show();
    std::unique_ptr<Ui::StoreDialog> ui_;
    StoreChoice choice_;
};

class SensorMotionDialog : public QDialog {
    Q_OBJECT
public:
    /// byTime: the acceleration and deceleration units (MCFG AM and DM bits) in ms, else pps/s.
    SensorMotionDialog(QWidget* parent, const Language& language, StoreCommands& commands, TickedNode node,
                       int slot, bool accelerationByTime, bool decelerationByTime);
    ~SensorMotionDialog() override;
    Ui::SensorMotionDialog& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::SensorMotionDialog> ui_;
    StoreCommands& commands_;
    TickedNode node_;
};

}  // namespace norvane::bench
