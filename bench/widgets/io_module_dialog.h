#pragma once
// The I/O module dialog: a thin view over IoModuleLogic. Each command copies the controls into
// the logic's state, runs, and shows the state again.
#include <QDialog>
#include <functional>
#include <memory>

#include "bench/dialogs/io_module_logic.h"

namespace Ui {
class IoModuleDialog;
}

namespace norvane::bench {

class IoModuleDialog : public QDialog {
    Q_OBJECT
public:
    /// Reads the node's settings (blocking) before it is shown.
    IoModuleDialog(const DeviceTarget& target, QWidget* parent = nullptr);
    ~IoModuleDialog() override;
    Ui::IoModuleDialog& Form() { return *ui_; }
    IoModuleLogic& Logic() { return logic_; }

private:
    void Pull();
    void Push();
    void Run(const std::function<void()>& command);

    std::unique_ptr<Ui::IoModuleDialog> ui_;
    IoModuleLogic logic_;
    bool pushing_ = false;
};

}  // namespace norvane::bench
