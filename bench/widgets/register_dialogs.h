#pragma once
// The register dialogs: thin views over the register editors. Each shows its editor's choices as
// radio buttons (locked ones disabled) and the command tip, hands every click to the editor and
// shows the result; the caller reads the editor back after OK. User-interface thread only.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/user_messages.h"
#include "bench/dialogs/register_commands.h"
#include "bench/dialogs/register_words.h"

class QRadioButton;
class QLineEdit;

namespace Ui {
class McfgDialog;
class IcfgDialog;
class S12ConDialog;
class S34ConDialog;
class AtconDialog;
class AdvEnaDialog;
}  // namespace Ui

namespace norvane::bench {

/// The two radios of one register bit (or several radios of one field), in choice order.
using RadioGroup = std::vector<QRadioButton*>;

/// The radio pairs of a register's bits, found by name in a dialog, by bit number.
class BitRadios {
public:
    /// Takes the radios prefix0 and prefix1 of dialog for bit; every click calls clicked(bit, choice).
    void Add(QDialog* dialog, int bit, const QString& prefix, const std::function<void(int, int)>& clicked);
    QRadioButton* Radio(int bit, int choice) const;
    const std::vector<std::pair<int, RadioGroup>>& Groups() const { return groups_; }

private:
    std::vector<std::pair<int, RadioGroup>> groups_;
};

class McfgDialog : public QDialog {
    Q_OBJECT
public:
    McfgDialog(const McfgEditor& editor, const Language& language, QWidget* parent = nullptr);
    ~McfgDialog() override;
    const McfgEditor& Editor() const { return editor_; }
    /// The radio for choice of bit (tests press them).
    QRadioButton* Radio(int bit, int choice) const;
    QString Tip() const;

private:
    void Show();
    std::unique_ptr<Ui::McfgDialog> ui_;
    McfgEditor editor_;
    std::string tipFormat_;
    BitRadios radios_;
};

class IcfgDialog : public QDialog {
    Q_OBJECT
public:
    IcfgDialog(const IcfgEditor& editor, const Language& language, QWidget* parent = nullptr);
    ~IcfgDialog() override;
    const IcfgEditor& Editor() const { return editor_; }
    QRadioButton* Radio(int bit, int choice) const;
    QString Tip() const;

private:
    void Show();
    std::unique_ptr<Ui::IcfgDialog> ui_;
    IcfgEditor editor_;
    std::string tipFormat_;
    BitRadios radios_;
};

/// One trigger group of the sensor dialogs: three radios, the time field and its setting.
struct TriggerView {
    QRadioButton* once = nullptr;
    QRadioButton* noLimit = nullptr;
    QRadioButton* byTime = nullptr;
    QLineEdit* time = nullptr;
    TriggerSetting* setting = nullptr;
    bool usable = true;
    void Connect(QDialog* dialog, const std::function<void()>& changed);
    void Show();
    /// Takes a typed time; false when it is outside the field's range.
    bool Take();
};

class S12ConDialog : public QDialog {
    Q_OBJECT
public:
    S12ConDialog(const S12Setup& setup, const Language& language, UserMessages& messages,
                 QWidget* parent = nullptr);
    ~S12ConDialog() override;
    const S12Setup& Setup() const { return setup_; }
    /// Radio at position of edge group 0-3 (S2 rising, S2 falling, S1 rising, S1 falling).
    QRadioButton* Edge(int group, int position) const;
    QString Tip() const;
    void accept() override;

private:
    void Show();
    std::unique_ptr<Ui::S12ConDialog> ui_;
    S12Setup setup_;
    UserMessages& messages_;
    std::string tipFormat_;
    std::vector<RadioGroup> edges_;
    TriggerView s1_, s2_;
};

class S34ConDialog : public QDialog {
    Q_OBJECT
public:
    S34ConDialog(const S34Setup& setup, const Language& language, UserMessages& messages,
                 QWidget* parent = nullptr);
    ~S34ConDialog() override;
    const S34Setup& Setup() const { return setup_; }
    QString Tip() const;
    void accept() override;

private:
    void Show();
    std::unique_ptr<Ui::S34ConDialog> ui_;
    S34Setup setup_;
    UserMessages& messages_;
    std::string tipFormat_;
    RadioGroup rising_, falling_, level_, event_, stall_;
    TriggerView s3_;
};

/// ATCONH (high) or ATCONL: a value 0-4095; anything else is refused and the dialog stays open.
class AtconDialog : public QDialog {
    Q_OBJECT
public:
    AtconDialog(bool high, const QString& value, const Language& language, UserMessages& messages,
                QWidget* parent = nullptr);
    ~AtconDialog() override;
    int Value() const { return value_; }
    QLineEdit* ValueEdit() const;
    void accept() override;

private:
    std::unique_ptr<Ui::AtconDialog> ui_;
    UserMessages& messages_;
    int value_ = 0;
};

/// The advanced enable dialog: its set and query buttons do nothing and closing changes nothing
/// (the auto-enable time is set and read through the motor parameter row and ICFG bit 0).
class AdvEnaDialog : public QDialog {
    Q_OBJECT
public:
    explicit AdvEnaDialog(const Language& language, QWidget* parent = nullptr);
    ~AdvEnaDialog() override;

private:
    std::unique_ptr<Ui::AdvEnaDialog> ui_;
};

}  // namespace norvane::bench
