#include "bench/widgets/temperature_dialog.h"

#include <QMessageBox>

#include "bench/widgets/dialog_support.h"
#include "ui_set_temperature_dialog.h"
#include "ui_temperature_dialog.h"

namespace norvane::bench {

TemperatureDialog::TemperatureDialog(const DeviceTarget& target, QWidget* parent,
                                     std::chrono::milliseconds interval)
    : QDialog(parent), ui_(std::make_unique<Ui::TemperatureDialog>()), language_(target.language) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language_);
    askTemperature = [this]() -> std::optional<double> {
        SetTemperatureDialog input(language_, this);
        if (input.exec() != QDialog::Accepted) return std::nullopt;
        return input.Value();
    };
    for (QLineEdit* field : {ui_->ambient, ui_->set, ui_->measured}) {
        field->setFont(QFont("Arial", 36));
        field->setMinimumWidth(230);  // room for "-40.0°C"
        field->setStyleSheet("QLineEdit { color: rgb(0, 255, 0); background: black; }");
    }
    logic_ = std::make_unique<TemperatureLogic>(target, PostTo(this, [this] { Push(); }), interval);
    logic_->Open();
    Push();
    connect(ui_->start, &QPushButton::clicked, this, [this] {
        logic_->StartButton();
        Push();
    });
    connect(ui_->setTemperature, &QPushButton::clicked, this, [this] {
        if (const auto degrees = askTemperature()) logic_->SetTemperature(*degrees);
    });
    connect(ui_->save, &QPushButton::clicked, this, [this] { logic_->Save(); });
}

TemperatureDialog::~TemperatureDialog() {
    logic_.reset();
}

void TemperatureDialog::done(int result) {
    logic_->Close();
    QDialog::done(result);
}

void TemperatureDialog::Push() {
    const TemperatureState& s = logic_->State();
    ui_->start->setText(Q(language_.Lookup(s.startCaption)));
    ui_->ambient->setText(Q(s.ambient));
    ui_->set->setText(Q(s.set));
    ui_->measured->setText(Q(s.measured));
}

SetTemperatureDialog::SetTemperatureDialog(const Language& language, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SetTemperatureDialog>()) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    connect(ui_->cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A text that is no number is refused instead of setting 0 degrees.
    connect(ui_->ok, &QPushButton::clicked, this, [this, &language] {
        bool ok = false;
        value_ = ui_->value->text().trimmed().toDouble(&ok);
        if (!ok) {
            QMessageBox::warning(this, kApplicationTitle, Q(language.Lookup("IDS_TMP_INPUT_NUMBER")));
            return;
        }
        accept();
    });
}

SetTemperatureDialog::~SetTemperatureDialog() = default;

}  // namespace norvane::bench
