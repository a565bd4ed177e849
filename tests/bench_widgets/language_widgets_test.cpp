// Every dialog applies its language keys in both shipped languages: in English no Chinese text is
// left on a title, label, button, group or list header, and in Chinese no English text of the
// language file (one the Chinese file translates) is left. The dialogs run over a recording SDK
// (nothing is connected), offscreen. Also: the captions the window's panel is known by, and the
// question boxes' buttons.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <set>

#include "bench/core/profile_text.h"
#include "bench/core/text_format.h"
#include "bench/dialogs/io_ports.h"
#include "bench/widgets/batch_writer_dialog.h"
#include "bench/widgets/gateway_search_dialog.h"
#include "bench/widgets/io_module_dialog.h"
#include "bench/widgets/kyd0606_dialog.h"
#include "bench/widgets/main_window.h"
#include "bench/widgets/motion_dialogs.h"
#include "bench/widgets/qt_messages.h"
#include "bench/widgets/register_dialogs.h"
#include "bench/widgets/rfid_dialog.h"
#include "bench/widgets/temperature_dialog.h"
#include "bench/widgets/waveform_view.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {
namespace {

bool HasChinese(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

// The visible texts of a window: its title, and those of its labels, buttons, groups, list
// entries and list headers.
std::vector<QString> Texts(QWidget* window) {
    std::vector<QString> texts{window->windowTitle()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) texts.push_back(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts.push_back(button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) texts.push_back(group->title());
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) texts.push_back(combo->itemText(i));
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->columnCount(); ++i) texts.push_back(tree->headerItem()->text(i));
    }
    return texts;
}

// English texts the Chinese file translates (a word of three letters at least).
std::set<QString> TranslatedEnglish() {
    const auto english =
        profile::ReadSection(*ReadFileText(KESTRIN_SOURCE_DIR "/bench/Language/English.ini"), "String");
    const auto chinese =
        profile::ReadSection(*ReadFileText(KESTRIN_SOURCE_DIR "/bench/Language/Chinese.ini"), "String");
    std::set<QString> texts;
    for (const auto& [key, value] : english) {
        const QString text = QString::fromStdString(FinishText(value)).trimmed();
        const auto other = chinese.find(key);
        if (other != chinese.end() && other->second != value &&
            text.contains(QRegularExpression("[A-Za-z]{3}")))
            texts.insert(text);
    }
    return texts;
}

class LanguageWidgets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_bench_widgets";
        static char* argv[] = {name, nullptr};
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
    /// Every dialog, made in language.
    std::vector<std::unique_ptr<QWidget>> Dialogs(const Language& language) {
        const DeviceTarget target{sdk.table, language, messages, 4096, 9};
        std::vector<std::unique_ptr<QWidget>> all;
        all.push_back(std::make_unique<IoModuleDialog>(target));
        all.push_back(std::make_unique<Kyd0606Dialog>(target));
        all.push_back(std::make_unique<LevelDialog>(target));
        all.push_back(std::make_unique<RfidDialog>(target));
        all.push_back(std::make_unique<TemperatureDialog>(target));
        all.push_back(std::make_unique<SetTemperatureDialog>(language));
        all.push_back(std::make_unique<GatewaySearchDialog>(sdk.table, language, messages, GwParams{},
                                                            std::vector<int>{3}, [] {}));
        all.push_back(std::make_unique<BatchWriterDialog>(sdk.table, language, messages, 4096, 9));
        all.push_back(std::make_unique<McfgDialog>(McfgEditor(0, NodeCapabilities{}), language));
        all.push_back(std::make_unique<IcfgDialog>(IcfgEditor(0), language));
        all.push_back(std::make_unique<AdvEnaDialog>(language));
        all.push_back(std::make_unique<StoreDialog>(nullptr, language, 1240));
        all.push_back(std::make_unique<MainWindow>(sdk.table, language, dir.Path(), &messages));
        return all;
    }
    RecordingSdk sdk;
    RecordedMessages messages;
    ProgramDir dir;
};

TEST_F(LanguageWidgets, EveryDialogShowsTheTextsOfTheChosenLanguage) {
    const Language english = ShippedLanguage("English.ini"), chinese = ShippedLanguage("Chinese.ini");
    for (const auto& dialog : Dialogs(english))
        for (const QString& text : Texts(dialog.get()))
            EXPECT_FALSE(HasChinese(text))
                << dialog->objectName().toStdString() << ": " << text.toStdString();
    const std::set<QString> translated = TranslatedEnglish();
    for (const auto& dialog : Dialogs(chinese))
        for (const QString& text : Texts(dialog.get()))
            EXPECT_EQ(translated.count(text.trimmed()), 0u)
                << dialog->objectName().toStdString() << ": " << text.toStdString();
}

// The panel's captions as the operator of the original program knows them, in Chinese; the
// English file translates each. The stall setting's log texts name it.
TEST_F(LanguageWidgets, PanelCaptionsAndStallTexts) {
    const Language english = ShippedLanguage("English.ini"), chinese = ShippedLanguage("Chinese.ini");
    const std::pair<const char*, const char*> captions[] = {{"IDC_SWITCH_STATION", "对站点操作"},
                                                            {"IDC_REALTIME", "开启监控(连续查询)"},
                                                            {"IDB_GROBORG_CAN", "全局原点"},
                                                            {"IDB_GROBOFF_CAN", "全局脱机"},
                                                            {"IDB_SET_ICFG", "初始寄存器"},
                                                            {"IDC_BUTTON_FBK", "当前状态"},
                                                            {"IDC_BUTTON_ACK", "电机驱动参数"},
                                                            {"IDB_CLEAN_RTMSG", "清空实时通知"},
                                                            {"IDB_CLEAN_MSG", "清空消息"},
                                                            {"IDB_SET_ORG", "清零（ORG）"},
                                                            {"IDB_SET_ADR", "烧录"},
                                                            {"IDB_MOTORPARA_SET", "电机参数设置"},
                                                            {"IDC_ENA_OFF_CANNODE", "使能 / 脱机"},
                                                            {"IDB_SENSOR_SFBK", "传感器状态"},
                                                            {"IDS_SQT_GET", "堵转设定 %d "},
                                                            {"IDS_SQT_SET", "设置堵转设定 %d，"}};
    for (const auto& [key, text] : captions) {
        EXPECT_EQ(chinese.Lookup(key), text) << key;
        EXPECT_FALSE(HasChinese(QString::fromStdString(english.Lookup(key)))) << key;
        EXPECT_TRUE(english.Has(key)) << key;
    }
    EXPECT_NE(english.Lookup("IDS_SQT_GET").find("stall"), std::string::npos);
    EXPECT_NE(english.Lookup("IDS_SQT_SET").find("stall"), std::string::npos);
}

// Whether label shows less than its text: narrower than its text's line, or (wrapping) lower
// than its lines need.
bool Clipped(const QLabel* label) {
    if (label->wordWrap()) return label->height() < label->heightForWidth(label->width());
    return label->width() < label->sizeHint().width();
}

// Texts that were cut off: the MCFG dialog's note on old firmware, the expected-period labels of
// the I/O dialog and the period under its PWM pictures, in both languages.
TEST_F(LanguageWidgets, NotesAndPeriodLabelsAreNotClipped) {
    for (const char* file : {"English.ini", "Chinese.ini"}) {
        const Language language = ShippedLanguage(file);
        McfgDialog mcfg(McfgEditor(0, NodeCapabilities{}), language);
        mcfg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mcfg));
        const auto* note = mcfg.findChild<QLabel*>("chsNote");
        ASSERT_NE(note, nullptr);
        EXPECT_FALSE(Clipped(note)) << file << ": " << note->text().toStdString();

        IoModuleDialog io(DeviceTarget{sdk.table, language, messages, 4096, 9});
        io.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&io));
        for (const char* name : {"period1Label", "period2Label", "period1", "period2"}) {
            auto* label = io.findChild<QLabel*>(name);
            ASSERT_NE(label, nullptr) << name;
            // The longest period the fields allow (base 200 at PBR 2500).
            if (QString(name).startsWith("period") && !QString(name).endsWith("Label"))
                label->setText(QString::fromStdString(PeriodText(200, 2500)));
            QApplication::processEvents();
            EXPECT_FALSE(Clipped(label)) << file << ": " << name << " " << label->text().toStdString();
        }
        for (const char* name : {"wave1", "wave2"}) {
            auto* wave = io.findChild<WaveformView*>(name);
            ASSERT_NE(wave, nullptr);
            const QString period =
                QString::fromStdString(FormatText(language.Lookup("IDS_CYCLE_TIME"), {100000.0}));
            wave->SetWave(period, "100%", 100);
            const QFontMetrics metrics(WaveformView::LabelFont());
            for (const QRect& text : {wave->PeriodLabelRect(), wave->DutyLabelRect()}) {
                EXPECT_TRUE(wave->rect().contains(text)) << file << ": " << name;
                EXPECT_GE(text.height(), metrics.height());
            }
            EXPECT_GE(wave->PeriodLabelRect().width(), metrics.horizontalAdvance(period));
        }
    }
}

// A question (the exit question) offers Yes and No in the window's language.
TEST_F(LanguageWidgets, QuestionButtonsFollowTheLanguage) {
    const Language chinese = ShippedLanguage("Chinese.ini");
    QWidget parent;
    QtMessages boxes(&parent, &chinese);
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) seen << button->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(boxes.Ask(chinese.Lookup("IDS_WARING"), chinese.Lookup("IDS_CONFIRM_EXIT_APP"), false),
              Answer::No);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QString::fromUtf8("否"), QString::fromUtf8("是")}));
}

}  // namespace
}  // namespace norvane::bench::test
