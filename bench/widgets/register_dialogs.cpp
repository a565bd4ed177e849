#include "bench/widgets/register_dialogs.h"

#include <QIntValidator>
#include <QRadioButton>

#include "bench/widgets/language_keys.h"
#include "ui_adv_ena_dialog.h"
#include "ui_atcon_dialog.h"
#include "ui_icfg_dialog.h"
#include "ui_mcfg_dialog.h"
#include "ui_s12con_dialog.h"
#include "ui_s34con_dialog.h"

namespace norvane::bench {

namespace {

QRadioButton* Find(QWidget* root, const QString& name) {
    return root->findChild<QRadioButton*>(name);
}

// The radios prefix0 .. prefix<count-1>.
RadioGroup Radios(QWidget* root, const QString& prefix, int count) {
    RadioGroup group;
    for (int i = 0; i < count; ++i) group.push_back(Find(root, prefix + QString::number(i)));
    return group;
}

// Checks the radio at position (none checked for a position the group does not offer).
void Select(const RadioGroup& group, std::optional<int> position) {
    for (size_t i = 0; i < group.size(); ++i) {
        const bool on = position && static_cast<size_t>(*position) == i;
        group[i]->setAutoExclusive(false);  // so that a group may show no choice at all
        group[i]->setChecked(on);
        group[i]->setAutoExclusive(true);
    }
}

void Enable(const RadioGroup& group, bool on) {
    for (QRadioButton* radio : group) radio->setEnabled(on);
}

// Every click on a radio of group calls clicked(position).
template <typename F>
void OnClick(QDialog* dialog, const RadioGroup& group, F clicked) {
    for (size_t i = 0; i < group.size(); ++i)
        QObject::connect(group[i], &QRadioButton::clicked, dialog,
                         [clicked, i] { clicked(static_cast<int>(i)); });
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

void ConnectOkCancel(QDialog* dialog, QPushButton* ok, QPushButton* cancel) {
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

}  // namespace

void BitRadios::Add(QDialog* dialog, int bit, const QString& prefix,
                    const std::function<void(int, int)>& clicked) {
    const RadioGroup group = Radios(dialog, prefix, 2);
    groups_.emplace_back(bit, group);
    OnClick(dialog, group, [clicked, bit](int choice) { clicked(bit, choice); });
}

QRadioButton* BitRadios::Radio(int bit, int choice) const {
    for (const auto& [b, group] : groups_)
        if (b == bit) return group[static_cast<size_t>(choice)];
    return nullptr;
}

// ---- MCFG ----

McfgDialog::McfgDialog(const McfgEditor& editor, const Language& language, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::McfgDialog>()),
      editor_(editor),
      tipFormat_(language.Lookup("IDS_COMMAND_TIP_MCFG")) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    const auto clicked = [this](int bit, int choice) {
        editor_.Click(bit, choice);
        Show();
    };
    for (const McfgBit& b : kMcfgBits) radios_.Add(this, b.bit, QString("radio") + b.name, clicked);
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
    Show();
}

McfgDialog::~McfgDialog() = default;

QRadioButton* McfgDialog::Radio(int bit, int choice) const {
    return radios_.Radio(bit, choice);
}

QString McfgDialog::Tip() const {
    return ui_->tipLine->text();
}

void McfgDialog::Show() {
    for (const auto& [bit, group] : radios_.Groups()) {
        Select(group, editor_.Choice(bit));
        for (int choice = 0; choice < 2; ++choice)
            group[static_cast<size_t>(choice)]->setEnabled(editor_.Open(bit, choice));
    }
    ui_->tipLine->setText(FromStd(editor_.Tip(tipFormat_)));
}

// ---- ICFG ----

IcfgDialog::IcfgDialog(const IcfgEditor& editor, const Language& language, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::IcfgDialog>()),
      editor_(editor),
      tipFormat_(language.Lookup("IDS_COMMAND_TIP_ICFG")) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    const auto clicked = [this](int bit, int choice) {
        editor_.Click(bit, choice);
        Show();
    };
    for (const IcfgBit& b : kIcfgBits) radios_.Add(this, b.bit, QString("radio") + b.radio, clicked);
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
    Show();
}

IcfgDialog::~IcfgDialog() = default;

QRadioButton* IcfgDialog::Radio(int bit, int choice) const {
    return radios_.Radio(bit, choice);
}

QString IcfgDialog::Tip() const {
    return ui_->tipLine->text();
}

void IcfgDialog::Show() {
    for (const auto& [bit, group] : radios_.Groups()) Select(group, editor_.Choice(bit));
    ui_->tipLine->setText(FromStd(editor_.Tip(tipFormat_)));
}

// ---- trigger groups ----

void TriggerView::Connect(QDialog* dialog, const std::function<void()>& changed) {
    time->setValidator(new QIntValidator(0, setting->MaxTime(), time));
    const std::pair<QRadioButton*, Trigger> choices[] = {
        {once, Trigger::Once}, {noLimit, Trigger::NoLimit}, {byTime, Trigger::ByTime}};
    for (const auto& [radio, choice] : choices)
        QObject::connect(radio, &QRadioButton::clicked, dialog, [this, choice = choice, changed] {
            Take();
            setting->Click(choice);
            changed();
        });
}

void TriggerView::Show() {
    once->setChecked(setting->Choice() == Trigger::Once);
    noLimit->setChecked(setting->Choice() == Trigger::NoLimit);
    byTime->setChecked(setting->Choice() == Trigger::ByTime);
    for (QRadioButton* radio : {once, noLimit, byTime}) radio->setEnabled(usable);
    time->setText(QString::number(setting->Time()));
    time->setEnabled(usable && setting->FieldOpen());
}

bool TriggerView::Take() {
    if (!usable || !setting->FieldOpen()) return true;
    bool number = false;
    const int value = time->text().toInt(&number);
    return number && setting->SetTime(value);
}

// ---- S12CON ----

S12ConDialog::S12ConDialog(const S12Setup& setup, const Language& language, UserMessages& messages,
                           QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::S12ConDialog>()),
      setup_(setup),
      messages_(messages),
      tipFormat_(language.Lookup("IDS_COMMAND_TIP_SCFG")) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    const char* names[] = {"s2Rising", "s2Falling", "s1Rising", "s1Falling"};
    for (size_t g = 0; g < 4; ++g) {
        edges_.push_back(Radios(this, names[g], 16));
        OnClick(this, edges_.back(), [this, g](int position) {
            setup_.codes.codes[g] = kEdgeCodes[static_cast<size_t>(position)];
            Show();
        });
        Select(edges_.back(), EdgePosition(setup_.codes.codes[g]));
    }
    s1_ = {ui_->s1Once, ui_->s1NoLimit, ui_->s1ByTime,
           ui_->s1Time, &setup_.s1,     setup_.triggers && setup_.editable};
    s2_ = {ui_->s2Once, ui_->s2NoLimit, ui_->s2ByTime,
           ui_->s2Time, &setup_.s2,     setup_.triggers && setup_.editable};
    s1_.Connect(this, [this] { Show(); });
    s2_.Connect(this, [this] { Show(); });
    // Without sensor choices the dialog only shows the values.
    for (const RadioGroup& group : edges_) Enable(group, setup_.editable);
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
    Show();
}

S12ConDialog::~S12ConDialog() = default;

QRadioButton* S12ConDialog::Edge(int group, int position) const {
    return edges_[static_cast<size_t>(group)][static_cast<size_t>(position)];
}

QString S12ConDialog::Tip() const {
    return ui_->tipLine->text();
}

void S12ConDialog::Show() {
    s1_.Show();
    s2_.Show();
    ui_->tipLine->setText(FromStd(setup_.codes.Tip(tipFormat_)));
}

void S12ConDialog::accept() {
    if (!s1_.Take() || !s2_.Take()) {
        messages_.Show(kApplicationTitle, "Please enter an integer between 0 and 60001.");
        return;
    }
    QDialog::accept();
}

// ---- S34CON ----

S34ConDialog::S34ConDialog(const S34Setup& setup, const Language& language, UserMessages& messages,
                           QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::S34ConDialog>()),
      setup_(setup),
      messages_(messages),
      tipFormat_(language.Lookup("IDS_COMMAND_TIP_SCFG")) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    S34Con& c = setup_.codes;
    rising_ = Radios(this, "s3Rising", 16);
    falling_ = Radios(this, "s3Falling", 16);
    level_ = Radios(this, "p4Level", 2);
    event_ = Radios(this, "p4Event", 4);
    stall_ = Radios(this, "stall", 8);
    const auto edge = [](int position) { return kEdgeCodes[static_cast<size_t>(position)]; };
    OnClick(this, rising_, [this, edge](int p) { setup_.codes.s3Rising = edge(p), Show(); });
    OnClick(this, falling_, [this, edge](int p) { setup_.codes.s3Falling = edge(p), Show(); });
    OnClick(this, level_, [this](int p) { setup_.codes.level = p, Show(); });
    OnClick(this, event_, [this](int p) { setup_.codes.event = p, Show(); });
    OnClick(this, stall_,
            [this](int p) { setup_.codes.stall = kStallCodes[static_cast<size_t>(p)], Show(); });
    Select(rising_, EdgePosition(c.s3Rising));
    Select(falling_, EdgePosition(c.s3Falling));
    Select(level_, c.level == 0 || c.level == 1 ? std::optional<int>(c.level) : std::nullopt);
    Select(event_, c.event >= 0 && c.event <= 3 ? std::optional<int>(c.event) : std::nullopt);
    Select(stall_, StallPosition(c.stall));
    s3_ = {ui_->s3Once, ui_->s3NoLimit, ui_->s3ByTime,
           ui_->s3Time, &setup_.s3Time, setup_.triggers && setup_.s3};
    s3_.Connect(this, [this] { Show(); });
    Enable(stall_, setup_.stall);  // no stall detection without an encoder
    for (const RadioGroup* group : {&rising_, &falling_, &level_, &event_}) Enable(*group, setup_.s3);
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
    Show();
}

S34ConDialog::~S34ConDialog() = default;

QString S34ConDialog::Tip() const {
    return ui_->tipLine->text();
}

void S34ConDialog::Show() {
    s3_.Show();
    ui_->tipLine->setText(FromStd(setup_.codes.Tip(tipFormat_)));
}

void S34ConDialog::accept() {
    if (!s3_.Take()) {
        messages_.Show(kApplicationTitle, "Please enter an integer between 0 and 65535.");
        return;
    }
    QDialog::accept();
}

// ---- ATCONH / ATCONL ----

AtconDialog::AtconDialog(bool high, const QString& value, const Language& language, UserMessages& messages,
                         QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AtconDialog>()), messages_(messages) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    setWindowTitle(
        FromStd(language.Lookup(high ? "IDD_ATCON_SET_DLG_H_Title" : "IDD_ATCON_SET_DLG_L_Title")));
    ui_->nameLabel->setText(
        FromStd(language.Lookup(high ? "IDS_IDC_STATIC_ATCON_H_NAME" : "IDS_IDC_STATIC_ATCON_L_NAME")));
    ui_->valueEdit->setText(QString::number(value.trimmed().toInt()));
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
}

AtconDialog::~AtconDialog() = default;

QLineEdit* AtconDialog::ValueEdit() const {
    return ui_->valueEdit;
}

void AtconDialog::accept() {
    bool number = false;
    const qlonglong value = ui_->valueEdit->text().trimmed().toLongLong(&number);
    if (!number || !AtconInRange(value)) {
        messages_.Show(kApplicationTitle, "Please enter an integer between 0 and 4095.");
        return;
    }
    value_ = static_cast<int>(value);
    QDialog::accept();
}

// ---- advanced enable ----

AdvEnaDialog::AdvEnaDialog(const Language& language, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AdvEnaDialog>()) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    ConnectOkCancel(this, ui_->okButton, ui_->cancelButton);
}

AdvEnaDialog::~AdvEnaDialog() = default;

}  // namespace norvane::bench
