#pragma once
// The temperature control dialog (a thin view over TemperatureLogic, whose worker's records
// arrive queued on the user-interface thread) and the desired-temperature input dialog.
#include <QDialog>
#include <memory>
#include <optional>

#include "bench/dialogs/temperature_logic.h"

namespace Ui {
class TemperatureDialog;
class SetTemperatureDialog;
}  // namespace Ui

namespace norvane::bench {

class TemperatureDialog : public QDialog {
    Q_OBJECT
public:
    /// interval: the worker's pause between reads.
    TemperatureDialog(const DeviceTarget& target, QWidget* parent = nullptr,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(1000));
    ~TemperatureDialog() override;
    Ui::TemperatureDialog& Form() { return *ui_; }
    TemperatureLogic& Logic() { return *logic_; }
    /// Closing ends the worker (asked, then joined).
    void done(int result) override;
    /// Where the desired temperature comes from (the input dialog unless a test replaces it).
    std::function<std::optional<double>()> askTemperature;

private:
    void Push();
    std::unique_ptr<Ui::TemperatureDialog> ui_;
    const Language& language_;
    std::unique_ptr<TemperatureLogic> logic_;
};

class SetTemperatureDialog : public QDialog {
    Q_OBJECT
public:
    explicit SetTemperatureDialog(const Language& language, QWidget* parent = nullptr);
    ~SetTemperatureDialog() override;
    Ui::SetTemperatureDialog& Form() { return *ui_; }
    double Value() const { return value_; }

private:
    std::unique_ptr<Ui::SetTemperatureDialog> ui_;
    double value_ = 0;
};

}  // namespace norvane::bench
