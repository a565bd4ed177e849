// The device dialogs against the simulator, offscreen, each opened from its main-window button
// for a simulated node: values read, one changed, the device's new state checked in the
// simulator. Also the gateway search parameters from the main menu. With
// KESTRIN_SCREENSHOTS=<dir> the I/O module, RFID and temperature dialogs are saved as pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "bench/widgets/gateway_search_dialog.h"
#include "bench/widgets/io_module_dialog.h"
#include "bench/widgets/kyd0606_dialog.h"
#include "bench/widgets/main_window.h"
#include "bench/widgets/rfid_dialog.h"
#include "bench/widgets/temperature_dialog.h"
#include "bench/widgets/waveform_view.h"
#include "sim/nodes/io_module.h"
#include "sim/nodes/level_detector.h"
#include "sim/nodes/rfid_reader.h"
#include "sim/nodes/temperature_controller.h"
#include "ui_gateway_search_dialog.h"
#include "ui_io_module_dialog.h"
#include "ui_kyd0606_dialog.h"
#include "ui_level_dialog.h"
#include "ui_main_window.h"
#include "ui_rfid_dialog.h"
#include "ui_set_temperature_dialog.h"
#include "ui_temperature_dialog.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

// Rows of the node list, in id order.
enum Row { kIo = 0, kKyd0606, kLevel, kIo7364, kRfid, kTemperature };

class DeviceDialogs : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartSimulator("127.0.0.116",
                                               "node io 8\nnode kyd0606 10\nnode level 11\nnode io-7364 12\n"
                                               "node rfid 20\nnode temperature 30\n"));
        Open();
        ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(6));
    }
    void TearDown() override {
        window_->ExitFromMenu();
        window_.reset();
    }
    template <typename Node>
    Node& Device(int id) {
        Node* found = nullptr;
        Gateway().Bus().ForEachNode([&](sim::SimNode& node) {
            if (node.NodeId() == id) found = dynamic_cast<Node*>(&node);
        });
        EXPECT_NE(found, nullptr);
        return *found;
    }
    /// Clicks button and runs use on the modal dialog it opened; the dialog is closed afterwards.
    template <typename Dialog>
    void WithDialog(QAbstractButton* button, const std::function<void(Dialog&)>& use) {
        ASSERT_TRUE(button->isEnabled());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<Dialog*>(window_->DeviceDialog());
            ran = dialog != nullptr;
            if (dialog) {
                use(*dialog);
                dialog->reject();
            }
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(ran);
        EXPECT_EQ(window_->DeviceDialog(), nullptr);
    }
    static void Screenshot(QWidget& widget, const char* name) {
        const QByteArray dir = qgetenv("KESTRIN_SCREENSHOTS");
        if (!dir.isEmpty()) widget.grab().save(QString("%1/%2.png").arg(QString(dir), name));
    }
};

TEST_F(DeviceDialogs, IoModuleReadsPortsAndSendsOutputsAndPwm) {
    Device<sim::nodes::IoModule>(8).SetInput(2, true);
    Tick(kIo);
    EXPECT_FALSE(window_->Form().kyd0606Button->isEnabled());
    WithDialog<IoModuleDialog>(window_->Form().ioModule, [&](IoModuleDialog& d) {
        Ui::IoModuleDialog& ui = d.Form();
        EXPECT_EQ(d.windowTitle().toStdString(), language_.Lookup("IDS_DLG_CKYD917SetDlg_Title"));
        EXPECT_EQ(ui.function1->currentText().toStdString(), language_.Lookup("IDS_TTL_IN"));
        EXPECT_EQ(ui.function8->currentText(), "PWM");
        EXPECT_TRUE(ui.inputLed2->property("lit").toBool());
        EXPECT_FALSE(ui.inputLed1->property("lit").toBool());
        ui.output5->setChecked(true);
        EXPECT_TRUE(ui.outputLed5->property("lit").toBool());
        QTest::mouseClick(ui.setOutputs, Qt::LeftButton);
        ui.pwmBase1->setText("200");
        ui.pwmDuty1->setText("200");
        ui.pbr->setText("2500");
        QTest::keyClick(ui.pbr, Qt::Key_Return);  // Enter applies and leaves the dialog open
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(ui.period1->text(), "100000.000 ms");
        EXPECT_EQ(ui.wave1->DutyPercent(), 100);
        EXPECT_EQ(ui.pbrSlider->value(), 2500);
        Screenshot(d, "io_module_dialog");
    });
    auto& io = Device<sim::nodes::IoModule>(8);
    EXPECT_EQ(io.Outputs(), 0x10);
    EXPECT_EQ(io.Pbr(), 2500u);
    EXPECT_EQ(io.Pmb(), 0x01C8u);
    EXPECT_EQ(io.Pmd(), 0x00C8u);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front();
}

TEST_F(DeviceDialogs, AnalogModuleWithoutPwmAndKyd0606AndLevelDetector) {
    Tick(kIo7364);
    WithDialog<IoModuleDialog>(window_->Form().ioModule, [&](IoModuleDialog& d) {
        EXPECT_EQ(d.Form().function8->findText("PWM"), -1);
        EXPECT_EQ(d.Form().pwmBase1->text(), "1");
    });
    Tick(kKyd0606);
    WithDialog<Kyd0606Dialog>(window_->Form().kyd0606Button, [&](Kyd0606Dialog& d) {
        d.Form().output8->setChecked(true);
        d.Form().output1->setChecked(true);
        EXPECT_FALSE(d.Form().outputLed8->property("lit").toBool());  // ticking alone shows nothing
        QTest::mouseClick(d.Form().set, Qt::LeftButton);
        EXPECT_TRUE(d.Form().outputLed8->property("lit").toBool());
    });
    EXPECT_EQ(Device<sim::nodes::IoModule>(10).Outputs(), 0x81);
    Tick(kLevel);
    WithDialog<LevelDialog>(window_->Form().liquidLevelButton, [&](LevelDialog& d) {
        EXPECT_EQ(d.Form().absolute->text(), "1000");
        EXPECT_EQ(d.Form().tip->text(), "50");
        d.Form().tip->setText("-77");
        QTest::mouseClick(d.Form().tipSet, Qt::LeftButton);
    });
    EXPECT_EQ(Device<sim::nodes::LevelDetector>(11).TipThreshold(), -77);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front();
}

TEST_F(DeviceDialogs, RfidFindsAPlacedCardReadsItAndCannotCloseWhileReadingAll) {
    Device<sim::nodes::RfidReader>(20).PlaceCard(sim::nodes::CardType::S40, 0x5634AB12);
    Tick(kRfid);
    WithDialog<RfidDialog>(window_->Form().rfidButton, [&](RfidDialog& d) {
        Ui::RfidDialog& ui = d.Form();
        EXPECT_FALSE(ui.readAll->isEnabled());
        QTest::mouseClick(ui.findCard, Qt::LeftButton);
        EXPECT_EQ(ui.cardNumber->text(), "12AB3456");
        ui.s70->click();
        EXPECT_EQ(ui.sectorList->count(), 40);
        ui.s40->click();
        EXPECT_TRUE(ui.keyA->isChecked());  // the card radios leave the key choice alone
        ui.sectorList->setCurrentIndex(1);
        QTest::mouseClick(ui.readSector, Qt::LeftButton);
        EXPECT_EQ(ui.block0->text(), QString(32, '0'));
        EXPECT_EQ(ui.trailerKeyA->text(), QString(12, 'F'));
        EXPECT_EQ(ui.trailerAccess->text(), "FF078069");
        ui.block1->setText("00112233445566778899AABBCCDDEEFF");
        ui.blockList->setCurrentIndex(1);
        QTest::mouseClick(ui.writeCard, Qt::LeftButton);

        QTest::mouseClick(ui.readAll, Qt::LeftButton);
        d.reject();  // refused while the worker reads
        EXPECT_TRUE(d.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!d.Logic().Reading(), 20000);
        QTRY_VERIFY(ui.result->toPlainText().contains("BLK 63, Sector 15 Block 3"));
        EXPECT_TRUE(ui.result->toPlainText().contains(
            "BLK 5, Sector 1 Block 1 data 00112233445566778899AABBCCDDEEFF"));
        EXPECT_EQ(ui.readAll->text().toStdString(), language_.Lookup("IDS_RFID_READ_ALL"));
        Screenshot(d, "rfid_dialog");
    });
    EXPECT_EQ(Device<sim::nodes::RfidReader>(20).Block(5)[15], 0xFF);
    EXPECT_EQ(messages_.shown,
              std::vector<std::string>{"[Kestrin] " + language_.Lookup("IDS_RFID_READING_NO_EXIT")});
}

TEST_F(DeviceDialogs, TemperatureWorkerUpdatesAndEndsWithTheDialog) {
    auto& device = Device<sim::nodes::TemperatureController>(30);
    device.SetAmbient(-45);
    Tick(kTemperature);
    WithDialog<TemperatureDialog>(window_->Form().temperatureButton, [&](TemperatureDialog& d) {
        Ui::TemperatureDialog& ui = d.Form();
        EXPECT_EQ(ui.ambient->text(), "-4.5°C");
        EXPECT_EQ(ui.set->text(), "37.0°C");
        device.SetAmbient(215);
        QTRY_COMPARE_WITH_TIMEOUT(ui.ambient->text(), QString("21.5°C"), 5000);
        QTest::mouseClick(ui.start, Qt::LeftButton);
        EXPECT_EQ(ui.start->text().toStdString(), language_.Lookup("IDS_TMP_STANDBY"));
        // The desired temperature typed into the input dialog keeps its tenth.
        QTimer::singleShot(0, [] {
            auto* input = qobject_cast<SetTemperatureDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(input, nullptr);
            QTest::keyClicks(input->Form().value, "45.5");
            QTest::mouseClick(input->Form().ok, Qt::LeftButton);
        });
        QTest::mouseClick(ui.setTemperature, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(ui.set->text(), QString("45.5°C"), 5000);
        EXPECT_EQ(device.Desired(), 455);
        d.askTemperature = [] { return std::optional<double>(-12.7); };
        QTest::mouseClick(ui.setTemperature, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(ui.set->text(), QString("-12.7°C"), 5000);
        Screenshot(d, "temperature_dialog");
        d.reject();
        EXPECT_FALSE(d.Logic().WorkerRunning());
    });
    EXPECT_TRUE(device.Running());
    EXPECT_EQ(device.Desired(), -127);
}

TEST_F(DeviceDialogs, GatewaySearchParametersAndForcedStop) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<GatewaySearchDialog*>(window_->DeviceDialog());
        ASSERT_NE(d, nullptr);
        Ui::GatewaySearchDialog& ui = d->Form();
        EXPECT_EQ(ui.address->text(), "127.0.0.116");
        EXPECT_FALSE(ui.comList->isEnabled());
        QTest::mouseClick(ui.pci, Qt::LeftButton);
        ui.nodeId->setText("8");
        QTest::mouseClick(ui.forceStop, Qt::LeftButton);
        EXPECT_FALSE(window_->Logic().Connected());  // the gateway was closed under the window
        ui.bitRateList->setCurrentIndex(2);
        QTest::mouseClick(ui.ok, Qt::LeftButton);
        ran = true;
    });
    window_->OpenGatewaySearch();
    EXPECT_TRUE(ran);
    EXPECT_EQ(*ReadFileText(dir_.Path() + "/GWParam.cfg"), "0,0,1,1,0,0,2130706548,2,\n");
    EXPECT_EQ(window_->Form().connectButton->text().toStdString(), language_.Lookup("IDS_CONNECT_DEVICE"));
}

}  // namespace
}  // namespace norvane::bench::test
