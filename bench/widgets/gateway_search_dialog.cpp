#include "bench/widgets/gateway_search_dialog.h"

#include <QRegularExpressionValidator>

#include "bench/widgets/dialog_support.h"
#include "platform/serial_ports.h"
#include "ui_gateway_search_dialog.h"

namespace norvane::bench {

std::vector<int> SystemComNumbers() {
    std::vector<int> numbers;
    for (const auto& entry : platform::SystemSerialPorts()) numbers.push_back(entry.number);
    return numbers;
}

GatewaySearchDialog::GatewaySearchDialog(const SdkTable& sdk, const Language& language,
                                         UserMessages& messages, const GwParams& params,
                                         std::vector<int> comPorts, std::function<void()> closeGateway,
                                         QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::GatewaySearchDialog>()),
      logic_(sdk, messages, std::move(comPorts), std::move(closeGateway)),
      params_(params) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    const QString octet = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";
    ui_->address->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString("^(%1\\.){3}%1$|^$").arg(octet)), ui_->address));
    ui_->nodeId->setValidator(
        new QRegularExpressionValidator(QRegularExpression("^[0-9]{0,3}$"), ui_->nodeId));
    logic_.Open(params);
    const GatewaySearchState& s = logic_.State();
    for (const std::string& entry : s.comEntries) ui_->comList->addItem(Q(entry));
    for (const std::string& entry : GatewaySearchState::BaudEntries()) ui_->baudList->addItem(Q(entry));
    for (const std::string& entry : GatewaySearchState::BitRateEntries()) ui_->bitRateList->addItem(Q(entry));
    Push();

    connect(ui_->serial, &QCheckBox::clicked, this, [this](bool on) {
        Pull();
        logic_.SerialClicked(on);
        Push();
    });
    connect(ui_->ok, &QPushButton::clicked, this, [this] {
        Pull();
        params_ = logic_.Accept();
        accept();
    });
    connect(ui_->cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->forceStop, &QPushButton::clicked, this, [this] {
        Pull();
        logic_.ForceStop();
    });
}

GatewaySearchDialog::~GatewaySearchDialog() = default;

void GatewaySearchDialog::Pull() {
    GatewaySearchState& s = logic_.State();
    s.serial = ui_->serial->isChecked();
    s.usb = ui_->usb->isChecked();
    s.pci = ui_->pci->isChecked();
    s.ethernet = ui_->ethernet->isChecked();
    s.comText = ui_->comList->currentText().toStdString();
    s.baudText = ui_->baudList->currentText().toStdString();
    s.bitRate = ui_->bitRateList->currentIndex();
    s.ip = ParseIpv4(ui_->address->text().toStdString());
    s.nodeText = ui_->nodeId->text().toStdString();
}

void GatewaySearchDialog::Push() {
    const GatewaySearchState& s = logic_.State();
    ui_->serial->setChecked(s.serial);
    ui_->usb->setChecked(s.usb);
    ui_->pci->setChecked(s.pci);
    ui_->ethernet->setChecked(s.ethernet);
    ui_->comList->setCurrentText(Q(s.comText));
    ui_->baudList->setCurrentText(Q(s.baudText));
    ui_->bitRateList->setCurrentIndex(s.bitRate);
    ui_->address->setText(s.ip ? Q(FormatIpv4(*s.ip)) : QString());
    ui_->nodeId->setText(Q(s.nodeText));
    ui_->comList->setEnabled(s.serialListsEnabled);
    ui_->baudList->setEnabled(s.serialListsEnabled);
}

}  // namespace norvane::bench
