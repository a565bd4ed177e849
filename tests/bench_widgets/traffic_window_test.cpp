// The traffic window against the simulator (offscreen): opened from the Tools menu, it shows the
// request and the answer of one SetSPD with node, command name and value; filters, pause,
// clear and saving act on what it shows.
#include "bench/widgets/traffic_window.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QTableView>
#include <filesystem>

#include "bench/widgets/traffic_model.h"
#include "ui_traffic_window.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

// 127.0.0.121: Ethernet search only.
class TrafficWindowTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartSimulator("127.0.0.121", "node controller 5\nnode controller 37\n"));
    }
    TrafficWindow& OpenTraffic() {
        const QString item = QString::fromStdString(language_.Lookup("IDS_MAINMENU_TRAFFIC"));
        for (QAction* menu : window_->menuBar()->actions()) {
            if (menu->menu() == nullptr) continue;
            for (QAction* action : menu->menu()->actions())
                if (action->text() == item) action->trigger();
        }
        EXPECT_NE(window_->Traffic(), nullptr);
        return *window_->Traffic();
    }
    int SetSpeed(uint32_t node, int32_t value) {
        KymReply reply{};
        return sdk_->Table().SetSPD(window_->Logic().Gateway(), node, value, 1, &reply);
    }
    // The shown rows of the table as "direction node command value" lines.
    static std::vector<std::string> Rows(TrafficWindow& traffic) {
        std::vector<std::string> rows;
        TrafficModel& m = traffic.Model();
        for (int r = 0; r < m.rowCount(); ++r) {
            rows.push_back((m.Cell(r, TrafficModel::Direction) + " " + m.Cell(r, TrafficModel::Node) + " " +
                            m.Cell(r, TrafficModel::Command) + " " + m.Cell(r, TrafficModel::Value))
                               .toStdString());
        }
        return rows;
    }
    static void Choose(QComboBox* box, int value) {
        const int index = box->findData(value);
        ASSERT_GE(index, 0) << value;
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
};

TEST_F(TrafficWindowTest, ShowsTheRequestAndTheAnswerOfOneSetSpdAndActsOnWhatItShows) {
    Open();
    ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(2));
    TrafficWindow& traffic = OpenTraffic();
    ASSERT_TRUE(traffic.isVisible());
    Ui::TrafficWindow& ui = traffic.Form();

    ASSERT_EQ(SetSpeed(37, 1000), 1);
    ASSERT_TRUE(Eventually([&] { return traffic.Model().rowCount() >= 2; }));
    EXPECT_EQ(Rows(traffic), (std::vector<std::string>{"TX 37 SPD 1000", "RX 37 SPD 1000"}));
    TrafficModel& m = traffic.Model();
    EXPECT_EQ(m.Cell(0, TrafficModel::Identifier), "05082087");
    EXPECT_EQ(m.Cell(0, TrafficModel::ControlWord), "87");
    EXPECT_EQ(m.Cell(0, TrafficModel::Data), "E8 03 00 00");
    EXPECT_EQ(m.Cell(1, TrafficModel::Identifier), "00280187");
    EXPECT_EQ(m.headerData(TrafficModel::Command, Qt::Horizontal, Qt::DisplayRole).toString(), "Command");
    EXPECT_TRUE(ui.statusLabel->text().contains("2")) << ui.statusLabel->text().toStdString();

    // Filters: the choices are the nodes and commands seen; node 5 has no rows yet.
    ASSERT_EQ(SetSpeed(5, -20), 1);
    ASSERT_TRUE(Eventually([&] { return traffic.Model().rowCount() == 4; }));
    Choose(ui.nodeFilter, 5);
    EXPECT_EQ(Rows(traffic), (std::vector<std::string>{"TX 5 SPD -20", "RX 5 SPD -20"}));
    Choose(ui.nodeFilter, -1);
    Choose(ui.commandFilter, 7);
    EXPECT_EQ(traffic.Model().rowCount(), 4);

    // Saving writes the rows shown as a candump log.
    Choose(ui.nodeFilter, 37);
    const QString path = QString::fromStdString(dir_.Path() + "/traffic.log");
    traffic.askSavePath = [&] { return path; };
    QTest::mouseClick(ui.saveButton, Qt::LeftButton);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("-tx 05082087#E8030000")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("-rx 00280187#E8030000")) << lines[1].toStdString();
    EXPECT_FALSE(traffic.SaveTo(QString::fromStdString(dir_.Path() + "/no/such/folder/x.log")));

    // Pause holds the table; resuming shows what came meanwhile.
    QTest::mouseClick(ui.pauseButton, Qt::LeftButton);
    ASSERT_EQ(SetSpeed(37, 2000), 1);
    QTest::qWait(3 * TrafficWindow::kBatchIntervalMs);
    traffic.TakeFrames();
    EXPECT_EQ(traffic.Model().rowCount(), 2);
    QTest::mouseClick(ui.pauseButton, Qt::LeftButton);
    EXPECT_EQ(traffic.Model().rowCount(), 4);

    // Clear empties the table and its choices.
    QTest::mouseClick(ui.clearButton, Qt::LeftButton);
    EXPECT_EQ(traffic.Model().rowCount(), 0);
    EXPECT_EQ(ui.nodeFilter->count(), 1);

    // Closed, the window takes nothing more: the SDK no longer calls it.
    traffic.close();
    ASSERT_EQ(SetSpeed(37, 3000), 1);
    QTest::qWait(3 * TrafficWindow::kBatchIntervalMs);
    traffic.TakeFrames();
    EXPECT_EQ(traffic.Model().rowCount(), 0);
    window_->ExitFromMenu();
}

TEST_F(TrafficWindowTest, Screenshot) {
    const char* folder = std::getenv("KESTRIN_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "KESTRIN_SCREENSHOTS not set";
    Open();
    ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(2));
    TrafficWindow& traffic = OpenTraffic();
    traffic.resize(900, 420);
    const uint32_t gateway = window_->Logic().Gateway();
    KymReply reply{};
    for (uint32_t node : {5u, 37u}) {
        sdk_->Table().GetMDL(gateway, node, &reply);
        SetSpeed(node, node == 5 ? 800 : -1200);
        sdk_->Table().GetSPD(gateway, node, &reply);
        sdk_->Table().SetPOS(gateway, node, 25600, 1, &reply);
    }
    ASSERT_TRUE(Eventually([&] { return traffic.Model().rowCount() >= 16; }));
    traffic.TakeFrames();
    EXPECT_TRUE(traffic.grab().save(QString::fromStdString(std::string(folder) + "/traffic_window.png")));
    window_->ExitFromMenu();
}

}  // namespace
}  // namespace norvane::bench::test
