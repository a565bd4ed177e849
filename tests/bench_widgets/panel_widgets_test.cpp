// The control panel of the window against the simulator, offscreen: real buttons pressed on a
// connected window with a ticked controller (Enable, Run with a speed, a query, the monitor) and
// STO 1 with its dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "bench/core/text_format.h"
#include "bench/widgets/motion_dialogs.h"
#include "ui_main_window.h"
#include "ui_sensor_motion_dialog.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

class PanelWidgetsTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartSimulator("127.0.0.93", "node controller 5 options=-SP\n"));
        Open();
        ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(1));
        Tick(0);
        ASSERT_TRUE(window_->Form().enaButton->isEnabled());
    }
    void TearDown() override { window_.reset(); }
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
    EXPECT_TRUE(Eventually([&] { return ReturnPane().contains("ACK; (ENA:"); }));  // the folded query
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
