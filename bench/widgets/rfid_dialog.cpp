#include "bench/widgets/rfid_dialog.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QKeyEvent>

#include "bench/widgets/dialog_support.h"
#include "ui_rfid_dialog.h"

namespace norvane::bench {

namespace {

QString PaneText(const std::string& text) {
    return Q(text).replace("\r\n", "\n");
}

std::string StateText(const QString& text) {
    return QString(text).replace("\n", "\r\n").toStdString();
}

}  // namespace

RfidDialog::RfidDialog(const DeviceTarget& target, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::RfidDialog>()), language_(target.language) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language_);
    // The worker's lines are added to what the box holds now (the operator may have cleared it).
    logic_ = std::make_unique<RfidLogic>(target, [this](std::function<void()> f) {
        QMetaObject::invokeMethod(
            this,
            [this, f = std::move(f)] {
                logic_->State().result = StateText(ui_->result->toPlainText());
                f();
                Push();
            },
            Qt::QueuedConnection);
    });
    for (int b = 0; b < 4; ++b) ui_->blockList->addItem(QString::number(b));
    for (auto [edit, length] : {std::pair{ui_->block0, 32},
                                {ui_->block1, 32},
                                {ui_->block2, 32},
                                {ui_->trailerKeyA, 12},
                                {ui_->trailerAccess, 8},
                                {ui_->trailerKeyB, 12},
                                {ui_->key, 12}})
        edit->setMaxLength(length);
    // The key and card radios are two choices, not one.
    auto* keys = new QButtonGroup(this);
    keys->addButton(ui_->keyA);
    keys->addButton(ui_->keyB);
    auto* cards = new QButtonGroup(this);
    cards->addButton(ui_->s40);
    cards->addButton(ui_->s70);
    ui_->keyA->setChecked(true);
    ui_->s40->setChecked(true);
    Push();

    auto button = [this](QPushButton* b, void (RfidLogic::*command)()) {
        connect(b, &QPushButton::clicked, this,
                [this, command] { Run([this, command] { (logic_.get()->*command)(); }); });
    };
    button(ui_->findCard, &RfidLogic::FindCard);
    button(ui_->readBlock, &RfidLogic::ReadBlock);
    button(ui_->readSector, &RfidLogic::ReadSector);
    button(ui_->writeCard, &RfidLogic::WriteCard);
    button(ui_->readAll, &RfidLogic::ReadAll);
    button(ui_->clear, &RfidLogic::ClearResult);
    connect(ui_->s40, &QRadioButton::clicked, this,
            [this] { Run([this] { logic_->ChooseCard(CardType::S40); }); });
    connect(ui_->s70, &QRadioButton::clicked, this,
            [this] { Run([this] { logic_->ChooseCard(CardType::S70); }); });
}

RfidDialog::~RfidDialog() {
    logic_.reset();  // stops and joins a worker before the widgets go
}

void RfidDialog::Run(const std::function<void()>& command) {
    Pull();
    command();
    Push();
}

void RfidDialog::Pull() {
    RfidState& s = logic_->State();
    s.key = ui_->key->text().toStdString();
    s.keyA = ui_->keyA->isChecked();
    s.sector = std::max(0, ui_->sectorList->currentIndex());
    s.block = std::max(0, ui_->blockList->currentIndex());
    s.fields = {ui_->block0->text().toStdString(),        ui_->block1->text().toStdString(),
                ui_->block2->text().toStdString(),        ui_->trailerKeyA->text().toStdString(),
                ui_->trailerAccess->text().toStdString(), ui_->trailerKeyB->text().toStdString()};
    s.result = StateText(ui_->result->toPlainText());
}

void RfidDialog::Push() {
    pushing_ = true;
    const RfidState& s = logic_->State();
    ui_->key->setText(Q(s.key));
    const int sectors = SectorCount(s.card);
    if (ui_->sectorList->count() != sectors) {
        ui_->sectorList->clear();
        for (int i = 0; i < sectors; ++i) ui_->sectorList->addItem(QString::number(i));
    }
    ui_->sectorList->setCurrentIndex(s.sector);
    ui_->blockList->setCurrentIndex(s.block);
    QLineEdit* fields[] = {ui_->block0,      ui_->block1,        ui_->block2,
                           ui_->trailerKeyA, ui_->trailerAccess, ui_->trailerKeyB};
    for (size_t i = 0; i < 6; ++i) fields[i]->setText(Q(s.fields[i]));
    ui_->cardNumber->setText(Q(s.cardNumber));
    for (QPushButton* b : {ui_->readBlock, ui_->writeCard, ui_->readSector, ui_->readAll})
        b->setEnabled(s.cardButtons);
    if (ui_->result->toPlainText() != PaneText(s.result)) ui_->result->setPlainText(PaneText(s.result));
    ui_->readAll->setText(Q(language_.Lookup(s.readAllCaption)));
    pushing_ = false;
}

void RfidDialog::reject() {
    if (logic_->CanClose()) QDialog::reject();
}

void RfidDialog::closeEvent(QCloseEvent* event) {
    if (logic_->CanClose())
        event->accept();
    else
        event->ignore();
}

// Enter does nothing in this dialog.
void RfidDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

}  // namespace norvane::bench
