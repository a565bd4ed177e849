#pragma once
// The KYD0606 dialog and the liquid-level detector dialog: thin views over their logic classes.
#include <QDialog>
#include <functional>
#include <memory>

#include "bench/dialogs/kyd0606_logic.h"
#include "bench/dialogs/level_logic.h"

namespace Ui {
class Kyd0606Dialog;
class LevelDialog;
}  // namespace Ui

namespace norvane::bench {

class Kyd0606Dialog : public QDialog {
    Q_OBJECT
public:
    Kyd0606Dialog(const DeviceTarget& target, QWidget* parent = nullptr);
    ~Kyd0606Dialog() override;
    Ui::Kyd0606Dialog& Form() { return *ui_; }

private:
    void Run(const std::function<void()>& command);
    std::unique_ptr<Ui::Kyd0606Dialog> ui_;
    Kyd0606Logic logic_;
};

class LevelDialog : public QDialog {
    Q_OBJECT
public:
    LevelDialog(const DeviceTarget& target, QWidget* parent = nullptr);
    ~LevelDialog() override;
    Ui::LevelDialog& Form() { return *ui_; }

private:
    void Run(void (LevelLogic::*command)());
    std::unique_ptr<Ui::LevelDialog> ui_;
    LevelLogic logic_;
};

}  // namespace norvane::bench
