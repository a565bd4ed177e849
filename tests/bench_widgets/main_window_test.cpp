// The main window against the simulator, offscreen: search, connect, discover, ticking and the
// model-dependent enabling, a notice with the box ticked and clear, the command box and its log
// lines, a refused gateway number change and both ways of closing. With KESTRIN_SCREENSHOTS=<dir> it
// also saves the connected window in English and Chinese, folded and expanded.
#include "bench/widgets/main_window.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>

#include "sim/events/event_control.h"
#include "ui_main_window.h"
#include "window_fixture.h"

// Fontconfig keeps caches of its own until exit (system library, not ours).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace norvane::bench::test {
namespace {

// 127.0.0.92: Ethernet search only.
class MainWindowTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(
            StartSimulator("127.0.0.92", "node controller 5 options=-SP\nnode controller 7\nnode io 8\n"));
        control_ = std::make_unique<sim::events::EventControl>(simulation_);
        std::string error;
        ASSERT_TRUE(control_->Listen("/tmp/kestrin-widgets-" + std::to_string(getpid()) + ".sock", error))
            << error;
        ASSERT_TRUE(control_->Start(error)) << error;
        std::filesystem::copy(std::filesystem::path(KESTRIN_SOURCE_DIR) / "bench/Images",
                              dir_.Path() + "/Images");
    }
    void ConnectAndDiscover() { ASSERT_NO_FATAL_FAILURE(WindowTest::ConnectAndDiscover(3)); }
    /// Sends one line to the simulator's event control and returns its reply.
    std::string RaiseEvent(const std::string& line) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, control_->SocketPath().c_str(), sizeof addr.sun_path - 1);
        std::string reply;
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            write(fd, (line + "\n").data(), line.size() + 1) == static_cast<ssize_t>(line.size() + 1)) {
            char buffer[256];
            while (reply.find('\n') == std::string::npos) {
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n <= 0) break;
                reply.append(buffer, static_cast<size_t>(n));
            }
        }
        close(fd);
        return reply;
    }
    QString Text(const char* key) { return QString::fromStdString(language_.Lookup(key)); }

    std::unique_ptr<sim::events::EventControl> control_;  ///< stops before the simulation (the fixture's)
};

TEST_F(MainWindowTest, SearchConnectDiscoverTickAndCommandBox) {
    Open();
    Ui::MainWindow& ui = window_->Form();
    EXPECT_FALSE(ui.discoverButton->isEnabled());
    ConnectAndDiscover();
    EXPECT_EQ(ui.connectButton->text().toStdString(), language_.Lookup("IDS_DISCONNECT_DEVICE"));
    EXPECT_EQ(ui.nodeList->topLevelItem(0)->text(0), "5");
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("Can site sum: 3"); }));

    Tick(0);  // a controller with sensors
    EXPECT_TRUE(ui.enaButton->isEnabled());
    EXPECT_FALSE(ui.ioModule->isEnabled());
    Tick(2);  // the I/O module: single-select unticks the controller
    EXPECT_EQ(ui.nodeList->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(ui.enaButton->isEnabled());
    EXPECT_TRUE(ui.ioModule->isEnabled());

    Tick(0);
    ui.commandBox->setEditText("SPD100;SPD;");
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD100;"); }));
    EXPECT_TRUE(window_->isVisible());  // Enter does not close the window
    // The ramp rows follow the node's MCFG, also when the command box writes it.
    EXPECT_FALSE(ui.accTimeSet->isEnabled());  // basic motion
    ui.commandBox->setEditText("MCFX0007;");   // ramps, both given as times
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(Eventually([&] { return ui.accTimeSet->isEnabled(); }));
    EXPECT_FALSE(ui.accValueSet->isEnabled());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(MainWindowTest, NoticesShowOnlyWithTheBoxTicked) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    Tick(0);
    ui.commandBox->setEditText("MCFX0800;DOU1;DOU0;");  // P4 notices on, then two output changes
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("DOU0"); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.noticePane->toPlainText().isEmpty());  // no callback registered yet
    ui.notify->setChecked(true);
    EXPECT_EQ(ui.notify->text().toStdString(), language_.Lookup("IDC_RTCN_NOT_NOTIFY"));
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(
        Eventually([&] { return ui.noticePane->toPlainText().contains(QString::fromUtf8("KYM318：P4")); }));
}

// Enter runs the command of the focused edit: the command box sends, panel edits go to the panel's
// handler with their id, other edits do nothing; the window stays open. Tooltips come from the
// language.
TEST_F(MainWindowTest, EnterRunsTheCommandOfTheEditAndTooltipsAreTranslated) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    Tick(0);
    ui.speedEdit->setText("321");
    QTest::keyClick(ui.speedEdit, Qt::Key_Return);  // the panel's run
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("321"); }));
    std::vector<int> panelRuns;
    window_->SetPanelEnterHandler([&](int id) { panelRuns.push_back(id); });
    for (QWidget* edit : {static_cast<QWidget*>(ui.nodeNumber), static_cast<QWidget*>(ui.speedEdit),
                          static_cast<QWidget*>(ui.globalSpeed), static_cast<QWidget*>(ui.gatewayNumber)})
        QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(panelRuns, (std::vector<int>{1035, 1016, 1071}));
    ui.commandBox->setEditText("SPD7;");
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Enter);
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD7;"); }));
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(ui.gatewayList->toolTip(), Text("IDC_COMBO_COM"));
    EXPECT_EQ(ui.gatewayNumber->toolTip(), Text("IDE_SET_DEVINDEX"));
    EXPECT_EQ(ui.baudList->toolTip(), Text("IDC_COMBO_SET_232BAUNDRATE"));
    EXPECT_EQ(ui.commandBox->toolTip(), Text("IDC_COMBO_LATESTCMD"));
}

// The window starts folded: the expanded-only sections are hidden until the expand button shows them.
TEST_F(MainWindowTest, FoldHidesTheExpandedOnlySections) {
    Open();
    Ui::MainWindow& ui = window_->Form();
    EXPECT_FALSE(ui.motorParamGroup->isVisible());
    QTest::mouseClick(ui.expandButton, Qt::LeftButton);
    EXPECT_TRUE(ui.motorParamGroup->isVisible() && ui.specialGroup->isVisible() &&
                ui.sensorGroup->isVisible());
    QTest::mouseClick(ui.expandButton, Qt::LeftButton);
    EXPECT_FALSE(ui.sensorGroup->isVisible());
    EXPECT_TRUE(ui.perNodeGroup->isVisible());
}

// A device event raised through the simulator's control: an I/O input edge shows in the real-time
// pane while the box is ticked and is dropped while it is clear (the callback stays registered).
TEST_F(MainWindowTest, SimulatorEventShowsOnlyWithTheNoticeBoxTicked) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    Tick(2);  // the I/O module: input notices of P1-P4 on
    ui.commandBox->setEditText("MCFX0F00;");
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("MCFX0F00"); }));
    ui.notify->setChecked(true);  // registers the callback
    ui.notify->setChecked(false);
    EXPECT_EQ(RaiseEvent("input 8 2 high"), "ok\n");  // dropped: the box is clear
    ASSERT_TRUE(Eventually([&] { return window_->Notices().Dropped() == 1; }));
    ui.notify->setChecked(true);
    EXPECT_EQ(RaiseEvent("input 8 2 low"), "ok\n");
    const QString falling = QString::fromUtf8("KYD917/919：CH01") + Text("IDS_FAILING_RTCN");
    ASSERT_TRUE(Eventually([&] { return ui.noticePane->toPlainText().contains(falling); }));
    EXPECT_EQ(ui.noticePane->toPlainText().trimmed().count('\n'), 0)
        << ui.noticePane->toPlainText().toStdString();
    EXPECT_FALSE(ui.noticePane->toPlainText().contains(Text("IDS_RISING_RTCN")));
}

// Only USB gateways take a new gateway number (the logic tests cover the change itself): over
// Ethernet the refusal is reported and the window stays connected with its nodes.
TEST_F(MainWindowTest, GatewayNumberRefusedByAnEthernetGatewayKeepsTheConnection) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    ui.gatewayNumber->setValue(3);
    QTest::mouseClick(ui.gatewayNumberSet, Qt::LeftButton);
    ASSERT_EQ(messages_.shown.size(), 2u);  // the question, then the failure
    EXPECT_EQ(messages_.shown[1],
              "[" + language_.Lookup("IDS_ERR") + "] " + language_.Lookup("IDS_SETTING_ERROR"));
    EXPECT_TRUE(window_->Logic().Connected());
    EXPECT_EQ(ui.nodeList->topLevelItemCount(), 3);
}

TEST_F(MainWindowTest, CloseBoxYesClosesTheGatewayExitItemLeavesItOpen) {
    for (bool viaExit : {false, true}) {
        Open();
        ConnectAndDiscover();
        if (viaExit)
            window_->ExitFromMenu();
        else
            window_->close();
        EXPECT_FALSE(window_->isVisible());
        EXPECT_EQ(window_->Logic().Connected(), viaExit);
        window_.reset();
    }
    messages_.next = Answer::No;
    Open();
    window_->close();
    EXPECT_TRUE(window_->isVisible());
}

// Enter as a user presses it goes to the widget with the focus. In the command box it sends the
// text for the ticked node and empties the box, as its Send button does; in the history box it
// sends the entry shown. The window stays open.
TEST_F(MainWindowTest, EnterInTheFocusedCommandBoxSendsLikeItsButton) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    Tick(0);
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    const auto press = [](QWidget* widget, const char* text) {
        widget->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), widget);
        if (*text) QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    press(ui.commandEdit, "spd = 123;");
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD123;"); }));
    EXPECT_TRUE(ui.commandEdit->text().isEmpty());
    ui.commandEdit->setText("SPD;");
    QTest::mouseClick(ui.commandSend, Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD;"); }));
    EXPECT_TRUE(ui.commandEdit->text().isEmpty());
    ui.commandBox->setEditText("SPD77;");
    press(ui.commandBox, "");
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD77;"); }));
    EXPECT_EQ(ui.commandBox->currentText(), "SPD77;");
    EXPECT_TRUE(window_->isVisible());
}

// The script item: the file dialog offers text files first, and the window returns to the operator
// a second after the script started.
TEST_F(MainWindowTest, LoadScriptFiltersTextFilesAndPausesASecond) {
    Open();
    ConnectAndDiscover();
    dir_.Put("script.txt", "ADR5;SPD55;");
    QString filter;
    window_->chooseScript = [&](const QString& offered) {
        filter = offered;
        return QString::fromStdString(dir_.Path() + "/script.txt");
    };
    QElapsedTimer timer;
    timer.start();
    window_->LoadScript();
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_TRUE(filter.startsWith(Text("IDS_SCRIPT_FILE_FILTER") + ";;")) << filter.toStdString();
    EXPECT_TRUE(filter.contains("(*.txt)"));
    ASSERT_TRUE(Eventually([&] { return ReturnPane().contains("SUCCESS: SPD55;"); }));
}

// A search while connected asks first; on Yes the window is fully "gateways listed, not
// connected": nothing that talks to a node stays enabled.
TEST_F(MainWindowTest, SearchWhileConnectedAsksAndLeavesTheWindowDisconnected) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    messages_.next = Answer::No;
    QTest::mouseClick(ui.searchButton, Qt::LeftButton);
    EXPECT_TRUE(window_->Logic().Connected());
    EXPECT_EQ(ui.nodeList->topLevelItemCount(), 3);
    EXPECT_TRUE(ui.discoverButton->isEnabled());
    messages_.next = Answer::Yes;
    QTest::mouseClick(ui.searchButton, Qt::LeftButton);
    EXPECT_FALSE(window_->Logic().Connected());
    EXPECT_EQ(ui.gatewayList->count(), 1);
    EXPECT_TRUE(ui.connectButton->isEnabled());
    EXPECT_EQ(ui.connectButton->text(), Text("IDS_CONNECT_DEVICE"));
    for (QWidget* widget : std::initializer_list<QWidget*>{ui.discoverButton, ui.sendButton, ui.commandSend,
                                                           ui.commandEdit, ui.commandBox, ui.notify,
                                                           ui.clearReturn, ui.sensorMenu, ui.enaButton})
        EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
    EXPECT_EQ(messages_.shown.size(), 2u);  // the two questions, no error
}

// Enabling at start and after a disconnect: the sensor settings and both Send buttons wait for a
// gateway.
TEST_F(MainWindowTest, SensorSettingsAndSendWaitForAConnection) {
    Open();
    Ui::MainWindow& ui = window_->Form();
    const auto disabled = [&] {
        for (QWidget* widget :
             std::initializer_list<QWidget*>{ui.sensorMenu, ui.sendButton, ui.commandSend, ui.commandEdit})
            EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
    };
    disabled();
    ConnectAndDiscover();
    EXPECT_TRUE(ui.commandSend->isEnabled() && ui.sendButton->isEnabled());
    QTest::mouseClick(ui.connectButton, Qt::LeftButton);  // disconnect
    ASSERT_FALSE(window_->Logic().Connected());
    disabled();
}

// Escape asks as the close box does (No keeps the window), F1 opens the manual, and the about
// item of the Help menu shows a box with OK and Help (Help opens the manual too).
TEST_F(MainWindowTest, EscapeAsksF1OpensTheManualAboutHasOkAndHelp) {
    Open();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    int manuals = 0;
    window_->openManual = [&] { ++manuals; };
    messages_.next = Answer::No;
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    EXPECT_TRUE(window_->isVisible());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0],
              "[" + language_.Lookup("IDS_WARING") + "] " + language_.Lookup("IDS_CONFIRM_EXIT_APP"));
    QTest::keyClick(window_.get(), Qt::Key_F1);
    EXPECT_EQ(manuals, 1);

    QAction* about = nullptr;
    for (QAction* action : window_->findChildren<QAction*>())
        if (action->text() == Text("IDS_MAINMENU_ABOUT")) about = action;
    ASSERT_NE(about, nullptr);
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) buttons << button->text();
        box->button(QMessageBox::Help)->click();
    });
    about->trigger();
    buttons.sort();
    QStringList expected{Text("IDS_IDOK"), Text("IDS_ABOUT_HELP")};
    expected.sort();
    EXPECT_EQ(buttons, expected);
    EXPECT_EQ(manuals, 2);
    QApplication::setActiveWindow(window_.get());  // back from the box
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    messages_.next = Answer::Yes;
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    EXPECT_FALSE(window_->isVisible());
}

// The Settings menu lists the language files beside the program; a choice is kept for the next
// start, which says so, and the next start shows it.
TEST_F(MainWindowTest, LanguageMenuListsTheFilesAndKeepsTheChoice) {
    Open();
    QMenu* languages = nullptr;
    for (QMenu* menu : window_->findChildren<QMenu*>())
        if (menu->title() == Text("IDS_MAINMENU_LANGUAGE")) languages = menu;
    ASSERT_NE(languages, nullptr);
    QStringList names;
    for (QAction* action : languages->actions()) names << action->text();
    ASSERT_EQ(names, (QStringList{"Chinese", "English"}));
    languages->actions().front()->trigger();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_NE(messages_.shown[0].find(language_.Lookup("IDS_LANGUAGE_NEXT_START")), std::string::npos);
    Language next;
    ASSERT_TRUE(next.Load(dir_.Path(), {}, messages_));
    EXPECT_EQ(next.Name(), "Chinese");
    EXPECT_EQ(next.Lookup("IDS_MAINMENU_SET"), ShippedLanguage("Chinese.ini").Lookup("IDS_MAINMENU_SET"));
}

TEST_F(MainWindowTest, Screenshots) {
    const char* folder = std::getenv("KESTRIN_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "KESTRIN_SCREENSHOTS not set";
    for (const char* file : {"English.ini", "Chinese.ini"}) {
        Open(file);
        window_->resize(1600, 900);  // the window's own size
        ConnectAndDiscover();
        Tick(0);
        Ui::MainWindow& ui = window_->Form();
        ui.notify->setChecked(true);
        // Ramps given as times, and P4 notices on: a notice for the lower pane.
        ui.commandBox->setEditText("MCFX0807;DOU0;DOU1;SPD100;");
        QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
        ASSERT_TRUE(Eventually(
            [&] { return ReturnPane().contains("SPD100") && !ui.noticePane->toPlainText().isEmpty(); }));
        const std::string stem =
            std::string(folder) + "/kestrin-" + std::filesystem::path(file).stem().string();
        EXPECT_TRUE(window_->grab().save(QString::fromStdString(stem + ".png")));
        QTest::mouseClick(ui.expandButton, Qt::LeftButton);
        QTest::qWait(50);  // the scroll area lays the grown panel out
        EXPECT_TRUE(window_->grab().save(QString::fromStdString(stem + "-expanded.png")));
        window_->ExitFromMenu();
        window_.reset();
    }
}

}  // namespace
}  // namespace norvane::bench::test
