// The main window against the simulator, offscreen: search, connect, discover, ticking and the
// model-dependent enabling, a notice with the box ticked and clear, the command box and its log
// lines, a refused gateway number change and both ways of closing. With KESTRIN_SCREENSHOTS=<dir> it
// also saves the connected window in English and Chinese.
#include "bench/widgets/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>

#include "bench/core/sdk_binding.h"
#include "bench_fixtures.h"
#include "sim/simulation.h"
#include "ui_main_window.h"

// Fontconfig keeps caches of its own until exit (system library, not ours).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace norvane::bench::test {
namespace {

struct Answers : RecordedMessages {
    Answer next = Answer::Yes;
    Answer Ask(const std::string& caption, const std::string& body, bool) override {
        Show(caption, body);
        return next;
    }
};

// 127.0.0.92 as GWParam.cfg holds it: Ethernet search only.
constexpr const char* kGwParam = "0,0,0,1,0,0,2130706524,0,\n";

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_bench_widgets";
        static char* argv[] = {name, nullptr};
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QApplication::instance()) new QApplication(argc, argv);
        sdk_ = new SdkLibrary;
        ASSERT_TRUE(sdk_->Bind(std::string(KESTRIN_BIN_DIR) + "/libNorvaneFunc.so").ok);
    }
    void SetUp() override {
        sim::SimConfig config;
        std::string error;
        ASSERT_TRUE(
            sim::ParseSimConfig("ethernet 127.0.0.92:0\nnode controller 5 options=-SP\nnode controller 7\n"
                                "node io 8\n",
                                config, error))
            << error;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
        sdk_->Table().SetEthernetServerPort(
            static_cast<uint16_t>(simulation_.EthernetGateways().front()->Port()));
        dir_.AddShippedLanguages();
        dir_.Put("GWParam.cfg", kGwParam);
        std::filesystem::copy(std::filesystem::path(KESTRIN_SOURCE_DIR) / "bench/Images",
                              dir_.Path() + "/Images");
    }
    void Open(const char* languageFile = "English.ini") {
        language_ = ShippedLanguage(languageFile);
        window_ = std::make_unique<MainWindow>(sdk_->Table(), language_, dir_.Path(), &messages_);
        window_->show();
    }
    void ConnectAndDiscover() {
        Ui::MainWindow& ui = window_->Form();
        QTest::mouseClick(ui.searchButton, Qt::LeftButton);
        ASSERT_EQ(ui.gatewayList->count(), 1);
        QTest::mouseClick(ui.connectButton, Qt::LeftButton);
        ASSERT_TRUE(window_->Logic().Connected());
        QTest::mouseClick(ui.discoverButton, Qt::LeftButton);
        ASSERT_EQ(ui.nodeList->topLevelItemCount(), 3);
    }
    void Tick(int row) { window_->Form().nodeList->topLevelItem(row)->setCheckState(0, Qt::Checked); }
    QString ReturnPane() { return window_->Form().returnPane->toPlainText(); }

    static inline SdkLibrary* sdk_ = nullptr;
    sim::Simulation simulation_;
    ProgramDir dir_;
    Language language_;
    Answers messages_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, SearchConnectDiscoverTickAndCommandBox) {
    Open();
    Ui::MainWindow& ui = window_->Form();
    EXPECT_FALSE(ui.discoverButton->isEnabled());
    ConnectAndDiscover();
    EXPECT_EQ(ui.connectButton->text().toStdString(), language_.Lookup("IDS_DISCONNECT_DEVICE"));
    EXPECT_EQ(ui.nodeList->topLevelItem(0)->text(0), "5");
    QTRY_VERIFY(ReturnPane().contains("Can site sum: 3"));

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
    QTRY_VERIFY(ReturnPane().contains("SUCCESS: SPD100;"));
    EXPECT_TRUE(window_->isVisible());  // Enter does not close the window
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(MainWindowTest, NoticesShowOnlyWithTheBoxTicked) {
    Open();
    ConnectAndDiscover();
    Ui::MainWindow& ui = window_->Form();
    Tick(0);
    ui.commandBox->setEditText("MCFX0800;DOU1;DOU0;");  // P4 notices on, then two output changes
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(ReturnPane().contains("DOU0"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.noticePane->toPlainText().isEmpty());
    ui.notify->setChecked(true);
    EXPECT_EQ(ui.notify->text().toStdString(), language_.Lookup("IDC_RTCN_NOT_NOTIFY"));
    QTest::keyClick(ui.commandBox->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(ui.noticePane->toPlainText().contains(QString::fromUtf8("KYM318：P4")));
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

TEST_F(MainWindowTest, Screenshots) {
    const char* folder = std::getenv("KESTRIN_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "KESTRIN_SCREENSHOTS not set";
    for (const char* file : {"English.ini", "Chinese.ini"}) {
        Open(file);
        window_->resize(1280, 720);
        ConnectAndDiscover();
        Tick(0);
        window_->Form().commandBox->setEditText("SPD100;");
        QTest::keyClick(window_->Form().commandBox->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(ReturnPane().contains("SPD100"));
        const std::string name =
            std::string(folder) + "/kestrin-" + std::filesystem::path(file).stem().string() + ".png";
        EXPECT_TRUE(window_->grab().save(QString::fromStdString(name)));
        window_->ExitFromMenu();
        window_.reset();
    }
}

}  // namespace
}  // namespace norvane::bench::test
