#include "bench/widgets/kyd0606_dialog.h"

#include <QCheckBox>

#include "bench/widgets/dialog_support.h"
#include "ui_kyd0606_dialog.h"
#include "ui_level_dialog.h"

namespace norvane::bench {

Kyd0606Dialog::Kyd0606Dialog(const DeviceTarget& target, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::Kyd0606Dialog>()), logic_(target) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, target.language);
    Run([this] { logic_.Open(); });
    connect(ui_->query, &QPushButton::clicked, this, [this] { Run([this] { logic_.Query(); }); });
    connect(ui_->set, &QPushButton::clicked, this, [this] { Run([this] { logic_.Set(); }); });
}

Kyd0606Dialog::~Kyd0606Dialog() = default;

// Ticking a box alone changes no LED: the boxes are read only when a command runs.
void Kyd0606Dialog::Run(const std::function<void()>& command) {
    Kyd0606State& s = logic_.State();
    const auto boxes = PortWidgets<QCheckBox>(this, "output");
    for (size_t k = 0; k < 8; ++k) s.outputs[k] = boxes[k]->isChecked();
    command();
    for (size_t k = 0; k < 8; ++k) boxes[k]->setChecked(s.outputs[k]);
    ShowLeds(PortWidgets<QLabel>(this, "inputLed"), s.inputLeds, Led::Input);
    ShowLeds(PortWidgets<QLabel>(this, "outputLed"), s.outputLeds, Led::Output);
}

LevelDialog::LevelDialog(const DeviceTarget& target, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::LevelDialog>()), logic_(target) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, target.language);
    Run(&LevelLogic::Open);
    const std::pair<QPushButton*, void (LevelLogic::*)()> buttons[] = {
        {ui_->tipSet, &LevelLogic::SetTip},
        {ui_->levelSet, &LevelLogic::SetLevel},
        {ui_->tipQuery, &LevelLogic::QueryTip},
        {ui_->levelQuery, &LevelLogic::QueryLevel},
        {ui_->relativeQuery, &LevelLogic::QueryRelative},
        {ui_->absoluteQuery, &LevelLogic::QueryAbsolute},
        {ui_->reset, &LevelLogic::Reset},
    };
    for (const auto& [button, command] : buttons)
        connect(button, &QPushButton::clicked, this, [this, command = command] { Run(command); });
    connect(ui_->exit, &QPushButton::clicked, this, &QDialog::accept);
}

LevelDialog::~LevelDialog() = default;

void LevelDialog::Run(void (LevelLogic::*command)()) {
    LevelState& s = logic_.State();
    s.tip = ui_->tip->text().toStdString();
    s.level = ui_->level->text().toStdString();
    (logic_.*command)();
    ui_->tip->setText(Q(s.tip));
    ui_->level->setText(Q(s.level));
    ui_->relative->setText(Q(s.relative));
    ui_->absolute->setText(Q(s.absolute));
}

}  // namespace norvane::bench
