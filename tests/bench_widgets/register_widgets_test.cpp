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

#include "bench/widgets/batch_writer_dialog.h"
#include "bench/widgets/register_dialogs.h"
#include "bench/widgets/register_view.h"
#include "sim/nodes/second_gen_controller.h"
#include "ui_batch_writer_dialog.h"
#include "ui_main_window.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

class RegisterWidgetsTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartSimulator("127.0.0.94", "node controller 5 options=-SP\n"));
        Open();
        ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(1));
        Tick(0);
        ASSERT_TRUE(window_->Form().mcfgButton->isEnabled());
    }
    void TearDown() override { window_.reset(); }

    sim::nodes::ControllerConfig NodeConfig() {
        sim::nodes::ControllerConfig config;
        Gateway().Bus().ForEachNode([&](sim::SimNode& node) {
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
