#include "bench/widgets/io_module_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "bench/widgets/dialog_support.h"
#include "ui_io_module_dialog.h"

namespace norvane::bench {

namespace {

QString ItemText(const Language& language, int code) {
    switch (code) {
        case kPortPwm:
            return "PWM";
        case kPortTtlOut:
            return Q(language.Lookup("IDS_TTL_OUT"));
        case kPortAnalog:
            return Q(language.Lookup("IDS_AVA"));
        default:
            return Q(language.Lookup("IDS_TTL_IN"));
    }
}

}  // namespace

IoModuleDialog::IoModuleDialog(const DeviceTarget& target, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::IoModuleDialog>()), logic_(target) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, target.language);
    ui_->pbrSlider->setRange(1, 2500);
    // Room for the longest period and duty the fields allow (base 200 at PBR 2500, duty 200), so
    // that no value is cut off.
    const QString longest = Q(PeriodText(200, 2500)), widestDuty = Q(DutyText(200));
    for (QLabel* value : {ui_->period1, ui_->period2})
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(longest) + 4);
    for (QLabel* value : {ui_->duty1, ui_->duty2})
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(widestDuty) + 4);
    logic_.Open();
    const IoModuleState& s = logic_.State();
    const auto selectors = PortWidgets<QComboBox>(this, "function");
    for (size_t k = 0; k < 8; ++k)
        for (int code : s.selectorCodes[k]) selectors[k]->addItem(ItemText(target.language, code));
    Push();

    auto button = [this](QPushButton* b, void (IoModuleLogic::*command)()) {
        connect(b, &QPushButton::clicked, this,
                [this, command] { Run([this, command] { (logic_.*command)(); }); });
    };
    button(ui_->setFunctions, &IoModuleLogic::SetPortConfig);
    button(ui_->setNotify, &IoModuleLogic::SetNotify);
    button(ui_->setInitial, &IoModuleLogic::SetInitialLevels);
    button(ui_->setOutputs, &IoModuleLogic::SetOutputs);
    button(ui_->queryInputs, &IoModuleLogic::QueryInputs);
    button(ui_->queryAnalog, &IoModuleLogic::QueryAnalog);
    button(ui_->applyPwm, &IoModuleLogic::ApplyPwm);
    const auto outputs = PortWidgets<QCheckBox>(this, "output");
    for (size_t k = 0; k < 8; ++k)
        connect(outputs[k], &QCheckBox::toggled, this, [this, k](bool on) {
            if (!pushing_) Run([this, k, on] { logic_.OutputBoxChanged(static_cast<int>(k) + 1, on); });
        });
    connect(ui_->analogAll, &QCheckBox::clicked, this,
            [this](bool on) { Run([this, on] { logic_.SelectAll(on); }); });
    connect(ui_->pbrSlider, &QSlider::valueChanged, this, [this](int position) {
        if (!pushing_) Run([this, position] { logic_.SliderMoved(position); });
    });
    connect(ui_->pbr, &QLineEdit::textChanged, this, [this] {
        if (!pushing_) Run([this] { logic_.PbrTextChanged(); });
    });
    for (QLineEdit* edit : {ui_->pwmBase1, ui_->pwmBase2, ui_->pwmDuty1, ui_->pwmDuty2})
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!pushing_) Run([this] { logic_.RefreshDisplays(); });
        });
}

IoModuleDialog::~IoModuleDialog() = default;

void IoModuleDialog::Run(const std::function<void()>& command) {
    Pull();
    command();
    Push();
}

void IoModuleDialog::Pull() {
    IoModuleState& s = logic_.State();
    const auto selectors = PortWidgets<QComboBox>(this, "function");
    const auto notify = PortWidgets<QCheckBox>(this, "notify");
    const auto initial = PortWidgets<QCheckBox>(this, "initial");
    const auto outputs = PortWidgets<QCheckBox>(this, "output");
    const auto analog = PortWidgets<QCheckBox>(this, "analog");
    for (size_t k = 0; k < 8; ++k) {
        s.selectorItem[k] = selectors[k]->currentIndex();
        s.notify[k] = notify[k]->isChecked();
        s.initial[k] = initial[k]->isChecked();
        s.outputs[k] = outputs[k]->isChecked();
        s.analogTicked[k] = analog[k]->isChecked();
    }
    s.selectAll = ui_->analogAll->isChecked();
    s.pwmTexts = {ui_->pwmBase1->text().toStdString(), ui_->pwmBase2->text().toStdString(),
                  ui_->pbr->text().toStdString(), ui_->pwmDuty1->text().toStdString(),
                  ui_->pwmDuty2->text().toStdString()};
}

void IoModuleDialog::Push() {
    pushing_ = true;
    const IoModuleState& s = logic_.State();
    const auto selectors = PortWidgets<QComboBox>(this, "function");
    const auto notify = PortWidgets<QCheckBox>(this, "notify");
    const auto initial = PortWidgets<QCheckBox>(this, "initial");
    const auto outputs = PortWidgets<QCheckBox>(this, "output");
    const auto analog = PortWidgets<QCheckBox>(this, "analog");
    const auto values = PortWidgets<QLineEdit>(this, "analogValue");
    const auto volts = PortWidgets<QLineEdit>(this, "analogVolts");
    for (size_t k = 0; k < 8; ++k) {
        selectors[k]->setCurrentIndex(s.selectorItem[k]);
        notify[k]->setChecked(s.notify[k]);
        initial[k]->setChecked(s.initial[k]);
        outputs[k]->setChecked(s.outputs[k]);
        analog[k]->setEnabled(s.analogEnabled[k]);
        analog[k]->setChecked(s.analogTicked[k]);
        values[k]->setText(Q(s.analogValue[k]));
        volts[k]->setText(Q(s.analogVolts[k]));
    }
    ShowLeds(PortWidgets<QLabel>(this, "inputLed"), s.inputLeds, Led::Input);
    ShowLeds(PortWidgets<QLabel>(this, "outputLed"), s.outputLeds, Led::Output);
    ui_->analogAll->setChecked(s.selectAll);
    auto setText = [](QLineEdit* edit, const std::string& text) {
        if (edit->text() != Q(text)) edit->setText(Q(text));  // keeps the cursor while typing
    };
    setText(ui_->pwmBase1, s.pwmTexts.base1);
    setText(ui_->pwmBase2, s.pwmTexts.base2);
    setText(ui_->pbr, s.pwmTexts.pbr);
    setText(ui_->pwmDuty1, s.pwmTexts.duty1);
    setText(ui_->pwmDuty2, s.pwmTexts.duty2);
    ui_->pbrSlider->setValue(s.slider);
    ui_->period1->setText(Q(s.period1));
    ui_->period2->setText(Q(s.period2));
    ui_->duty1->setText(Q(s.duty1));
    ui_->duty2->setText(Q(s.duty2));
    ui_->wave1->SetWave(Q(s.wave1.periodLabel), Q(s.wave1.dutyLabel), s.wave1.dutyPercent);
    ui_->wave2->SetWave(Q(s.wave2.periodLabel), Q(s.wave2.dutyLabel), s.wave2.dutyPercent);
    pushing_ = false;
}

}  // namespace norvane::bench
