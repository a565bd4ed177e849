// The control panel of the window against the simulator, offscreen: real buttons pressed on a
// connected window with a ticked controller (Enable, Run with a speed, a query, the monitor) and
// STO 1 with its dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "bench/core/sdk_binding.h"
#include "bench/core/text_format.h"
#include "bench/widgets/main_window.h"
#include "bench/widgets/motion_dialogs.h"
#include "bench/widgets/panel_view.h"
#include "bench_fixtures.h"
#include "sim/simulation.h"
#include "ui_main_window.h"
#include "ui_sensor_motion_dialog.h"

namespace norvane::bench::test {
namespace {

class PanelWidgetsTest : public ::testing::Test {
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
            sim::ParseSimConfig("ethernet 127.0.0.93:0\nnode controller 5 options=-SP\n", config, error))
            << error;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
        sdk_->Table().SetEthernetServerPort(
            static_cast<uint16_t>(simulation_.EthernetGateways().front()->Port()));
        dir_.AddShippedLanguages();
        dir_.Put("GWParam.cfg", "0,0,0,1,0,0,2130706525,0,\n");  // 127.0.0.93, Ethernet only
        language_ = ShippedLanguage("English.ini");
        window_ = std::make_unique<MainWindow>(sdk_->Table(), language_, dir_.Path(), &messages_);
        window_->show();
        Ui::MainWindow& ui = window_->Form();
        QTest::mouseClick(ui.searchButton, Qt::LeftButton);
        QTest::mouseClick(ui.connectButton, Qt::LeftButton);
        QTest::mouseClick(ui.discoverButton, Qt::LeftButton);
        ASSERT_EQ(ui.nodeList->topLevelItemCount(), 1);
        ui.nodeList->topLevelItem(0)->setCheckState(0, Qt::Checked);
        ASSERT_TRUE(ui.enaButton->isEnabled());
    }
    void TearDown() override { window_.reset(); }
    QString ReturnPane() { return window_->Form().returnPane->toPlainText(); }

    static inline SdkLibrary* sdk_ = nullptr;
    sim::Simulation simulation_;
    ProgramDir dir_;
    Language language_;
    RecordedMessages messages_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(PanelWidgetsTest, EnableRunQueryAndMonitor) {
    Ui::MainWindow& ui = window_->Form();
    QTest::mouseClick(ui.enaButton, Qt::LeftButton);
    QTRY_VERIFY(ReturnPane().contains(QString::fromStdString(language_.Lookup("IDS_ENA"))));
    ui.speedEdit->setText("800");
    QTest::mouseClick(ui.runButton, Qt::LeftButton);
    EXPECT_EQ(ui.commandBox->itemText(0), "SPD=800;");
    EXPECT_EQ(ui.commandBox->currentText(), "SPD=800;");
    ui.speedEdit->clear();
    QTest::mouseClick(ui.speedQuery, Qt::LeftButton);
    EXPECT_EQ(ui.speedEdit->text(), "800");
    EXPECT_EQ(ui.actualSpeed->text(), "800");

    ui.monitorInterval->setText("20");
    QTest::mouseClick(ui.monitorButton, Qt::LeftButton);
    EXPECT_EQ(ui.monitorButton->text().toStdString(), language_.Lookup("IDC_NOT_REALTIME"));
    EXPECT_FALSE(ui.monitorInterval->isEnabled());
    QTRY_VERIFY(!ui.actualDisplacement->text().isEmpty());
    const QString first = ui.actualPosition->text();
    QTRY_VERIFY(ui.actualPosition->text() != first);  // the motor moves
    QTest::mouseClick(ui.monitorButton, Qt::LeftButton);
    EXPECT_EQ(ui.monitorButton->text().toStdString(), language_.Lookup("IDC_REALTIME"));
    EXPECT_TRUE(ui.actualSpeed->text().isEmpty());
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front();
}

TEST_F(PanelWidgetsTest, StoOneWritesTheGroupFromItsDialog) {
    Ui::MainWindow& ui = window_->Form();
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SensorMotionDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogSeen = true;
        EXPECT_EQ(dialog->Form().slotCaption->text(), QString::fromUtf8("堵状运动参数绑定"));
        dialog->Form().speedEdit->setText("0");  // refused: the dialog stays open
        QTest::mouseClick(dialog->Form().okButton, Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible());
        dialog->Form().speedEdit->setText("1500");
        QTest::mouseClick(dialog->Form().okButton, Qt::LeftButton);
    });
    QTest::mouseClick(ui.sto1Button, Qt::LeftButton);
    EXPECT_TRUE(dialogSeen);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0],
              "[" + language_.Lookup("IDS_WARING") + "] " + language_.Lookup("IDS_SPD_NO_ZERO_WARNING"));
    EXPECT_EQ(ui.commandBox->itemText(0), "STO1;");
    ui.speedEdit->clear();
    QTest::mouseClick(ui.speedQuery, Qt::LeftButton);
    EXPECT_EQ(ui.speedEdit->text(), "1500");
}

// Ticking (folded) read the motor parameters; expanding reads them again with the special
// parameters and the sensors of the ticked controller.
TEST_F(PanelWidgetsTest, ExpandingRunsTheExpandQueries) {
    Ui::MainWindow& ui = window_->Form();
    EXPECT_FALSE(ui.currentEdit->text().isEmpty());
    ui.currentEdit->clear();
    QTest::mouseClick(ui.expandButton, Qt::LeftButton);
    EXPECT_FALSE(ui.currentEdit->text().isEmpty());
    EXPECT_FALSE(ui.sensorLevel1->text().isEmpty());
    EXPECT_FALSE(ui.encoderLinesEdit->text().isEmpty());
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front();
}

TEST_F(PanelWidgetsTest, GlobalModeUnticksAndRunBroadcasts) {
    Ui::MainWindow& ui = window_->Form();
    QTest::mouseClick(ui.switchGlobal, Qt::LeftButton);
    EXPECT_EQ(ui.nodeList->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(ui.globalGroup->isVisible());
    ASSERT_TRUE(ui.runButton->isEnabled());
    ui.speedEdit->setText("300");
    QTest::mouseClick(ui.runButton, Qt::LeftButton);
    EXPECT_EQ(ui.globalSpeed->text(), "300");
    const std::string line = FormatText(language_.Lookup("IDS_SET_G_SPD"), {int64_t{300}});
    QTRY_VERIFY(ReturnPane().contains(QString::fromStdString(line)));
    EXPECT_TRUE(messages_.shown.empty());
    QTest::mouseClick(ui.switchStation, Qt::LeftButton);
    EXPECT_FALSE(ui.globalGroup->isVisible());
}

}  // namespace
}  // namespace norvane::bench::test
