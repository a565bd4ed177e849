// The register dialogs and the batch writer on a connected window, offscreen, against the
// simulator: the buttons open their dialogs, a click changes the word and its tip, OK writes, and
// the simulated node holds the new value.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "bench/core/sdk_binding.h"
#include "bench/widgets/batch_writer_dialog.h"
#include "bench/widgets/main_window.h"
#include "bench/widgets/register_dialogs.h"
#include "bench/widgets/register_view.h"
#include "bench_fixtures.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/simulation.h"
#include "ui_batch_writer_dialog.h"
#include "ui_main_window.h"

namespace norvane::bench::test {
namespace {

class RegisterWidgetsTest : public ::testing::Test {
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
            sim::ParseSimConfig("ethernet 127.0.0.94:0\nnode controller 5 options=-SP\n", config, error))
            << error;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
        sdk_->Table().SetEthernetServerPort(
            static_cast<uint16_t>(simulation_.EthernetGateways().front()->Port()));
        dir_.AddShippedLanguages();
        dir_.Put("GWParam.cfg", "0,0,0,1,0,0,2130706526,0,\n");  // 127.0.0.94, Ethernet only
        language_ = ShippedLanguage("English.ini");
        window_ = std::make_unique<MainWindow>(sdk_->Table(), language_, dir_.Path(), &messages_);
        window_->show();
        Ui::MainWindow& ui = window_->Form();
        QTest::mouseClick(ui.searchButton, Qt::LeftButton);
        QTest::mouseClick(ui.connectButton, Qt::LeftButton);
        QTest::mouseClick(ui.discoverButton, Qt::LeftButton);
        ASSERT_EQ(ui.nodeList->topLevelItemCount(), 1);
        ui.nodeList->topLevelItem(0)->setCheckState(0, Qt::Checked);
        ASSERT_TRUE(ui.mcfgButton->isEnabled());
    }
    void TearDown() override { window_.reset(); }

    sim::nodes::ControllerConfig NodeConfig() {
        sim::nodes::ControllerConfig config;
        simulation_.EthernetGateways().front()->Bus().ForEachNode([&](sim::SimNode& node) {
            config = dynamic_cast<sim::nodes::SecondGenController&>(node).Config();
        });
        return config;
    }
    // Runs act on the modal dialog of type D that pressing opens.
    template <typename D, typename F>
    void WithDialog(const std::function<void()>& press, F act) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            act(*dialog);
        });
        press();
        EXPECT_TRUE(seen);
    }

    static inline SdkLibrary* sdk_ = nullptr;
    sim::Simulation simulation_;
    ProgramDir dir_;
    Language language_;
    RecordedMessages messages_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(RegisterWidgetsTest, McfgButtonFlipsABitAndTheNodeHoldsIt) {
    Ui::MainWindow& ui = window_->Form();
    const uint16_t before = NodeConfig().mcfg;
    ASSERT_EQ(before & 0x20, 0);
    WithDialog<McfgDialog>(
        [&] { QTest::mouseClick(ui.mcfgButton, Qt::LeftButton); },
        [&](McfgDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle().toStdString(), language_.Lookup("IDS_IDD_DIALOG_MCFG_DLG_Title"));
            dialog.Radio(5, 1)->click();  // origin-reached notice on
            const std::string command = "MCFG=" + std::to_string(before | 0x20) + ";";
            EXPECT_TRUE(dialog.Tip().endsWith(QString::fromStdString(command))) << dialog.Tip().toStdString();
            dialog.accept();
        });
    EXPECT_EQ(NodeConfig().mcfg, before | 0x20);
    EXPECT_EQ(window_->Logic().CachedMcfg(), before | 0x20);
    EXPECT_EQ(ui.commandBox->itemText(0).toStdString(), "MCFG=" + std::to_string(before | 0x20) + ";");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(RegisterWidgetsTest, S12ConAndAtconDialogsWriteTheNode) {
    Ui::MainWindow& ui = window_->Form();
    WithDialog<S12ConDialog>([&] { window_->Registers().S12Con(); },
                             [&](S12ConDialog& dialog) {
                                 dialog.Edge(0, 3)->click();  // S2 rising: run forward (1010)
                                 EXPECT_TRUE(dialog.Tip().contains("1010 ")) << dialog.Tip().toStdString();
                                 dialog.accept();
                             });
    EXPECT_EQ(NodeConfig().s12con >> 12, 0xA);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0], "[Done] Sensor S1/S2 settings written.");

    WithDialog<AtconDialog>([&] { window_->Registers().Atcon(false); },
                            [&](AtconDialog& dialog) {
                                dialog.ValueEdit()->setText("5000");  // refused: the dialog stays open
                                dialog.accept();
                                EXPECT_TRUE(dialog.isVisible());
                                dialog.ValueEdit()->setText("100");
                                dialog.accept();
                            });
    EXPECT_EQ(ui.atconLEdit->text(), "100");
    EXPECT_EQ(NodeConfig().atconl, 100);
}

TEST_F(RegisterWidgetsTest, BatchWriterImportsAndWritesWithVerification) {
    dir_.Put("params.csv", "MCFG,48\r\nQER,400\r\n");
    WithDialog<BatchWriterDialog>([&] { window_->Registers().BatchWriter(); },
                                  [&](BatchWriterDialog& dialog) {
                                      Ui::BatchWriterDialog& form = dialog.Form();
                                      EXPECT_FALSE(form.writeButton->isEnabled());
                                      dialog.Import(QString::fromStdString(dir_.Path() + "/params.csv"));
                                      EXPECT_TRUE(form.writeButton->isEnabled());
                                      QTest::mouseClick(form.writeButton, Qt::LeftButton);
                                      ASSERT_EQ(form.list->topLevelItemCount(), 2);
                                      EXPECT_EQ(form.list->topLevelItem(1)->text(3), "Pass");
                                      EXPECT_EQ(form.infoLine->text().toStdString(),
                                                language_.Lookup("IDS_WRITE_ALL_PARA_SUCUESS"));
                                      dialog.reject();
                                  });
    EXPECT_EQ(NodeConfig().mcfg, 48);
    EXPECT_EQ(NodeConfig().qer, 400);
}

}  // namespace
}  // namespace norvane::bench::test
