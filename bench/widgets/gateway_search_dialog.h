#pragma once
// The gateway search parameter dialog: a thin view over GatewaySearchLogic. After exec() returns
// Accepted, Params() holds the eight fields for GWParam.cfg.
#include <QDialog>
#include <functional>
#include <memory>

#include "bench/core/language.h"
#include "bench/dialogs/gateway_search_logic.h"

namespace Ui {
class GatewaySearchDialog;
}

namespace norvane::bench {

class GatewaySearchDialog : public QDialog {
    Q_OBJECT
public:
    GatewaySearchDialog(const SdkTable& sdk, const Language& language, UserMessages& messages,
                        const GwParams& params, std::vector<int> comPorts, std::function<void()> closeGateway,
                        QWidget* parent = nullptr);
    ~GatewaySearchDialog() override;
    Ui::GatewaySearchDialog& Form() { return *ui_; }
    GwParams Params() const { return params_; }

private:
    void Pull();
    void Push();

    std::unique_ptr<Ui::GatewaySearchDialog> ui_;
    GatewaySearchLogic logic_;
    GwParams params_;
};

/// The COM numbers of the system's COM-number table.
std::vector<int> SystemComNumbers();

}  // namespace norvane::bench
