#pragma once
// The RFID dialog: a thin view over RfidLogic. The read-all worker's lines arrive queued on the
// user-interface thread; the dialog cannot close while the worker runs.
#include <QDialog>
#include <functional>
#include <memory>

#include "bench/dialogs/rfid_logic.h"

namespace Ui {
class RfidDialog;
}

namespace norvane::bench {

class RfidDialog : public QDialog {
    Q_OBJECT
public:
    RfidDialog(const DeviceTarget& target, QWidget* parent = nullptr);
    ~RfidDialog() override;
    Ui::RfidDialog& Form() { return *ui_; }
    RfidLogic& Logic() { return *logic_; }
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Pull();
    void Push();
    void Run(const std::function<void()>& command);

    std::unique_ptr<Ui::RfidDialog> ui_;
    std::unique_ptr<RfidLogic> logic_;
    const Language& language_;
    bool pushing_ = false;
};

}  // namespace norvane::bench
