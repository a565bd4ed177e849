// The plot window against the simulator, offscreen: the position curve of a node set moving
// rises, a recording of two seconds holds rising positions, and the gateway closing ends
// sampling and the file. With KESTRIN_SCREENSHOTS=<dir> the plot is saved as pictures, in
// English and Chinese.
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <filesystem>

#include "bench/core/file_text.h"
#include "bench/widgets/plot_view.h"
#include "bench/widgets/plot_window.h"
#include "ui_plot_window.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

class PlotWidgetsTest : public WindowTest {
protected:
    void SetUp() override { StartSimulator("127.0.0.97", "node controller 5\nnode controller 7\n"); }
    void TearDown() override {
        if (window_) window_->ExitFromMenu();
        window_.reset();
    }
    // Connected, nodes 5 and 7 ticked, node 5 running at speed (and node 7 at speed7), the plot
    // open at a 50 ms period.
    PlotWindow& OpenPlotWithNodeMoving(const char* languageFile = "English.ini", int speed = 400,
                                       int speed7 = 0) {
        Open(languageFile);
        ConnectAndDiscover(2);
        window_->Form().multiSelect->setChecked(true);
        Tick(0);
        Tick(1);
        const SdkTable& sdk = sdk_->Table();
        KymReply r{};
        const uint32_t gateway = window_->Logic().Gateway();
        EXPECT_EQ(sdk.KymENA(gateway, 5, 1, &r), 1);
        EXPECT_EQ(sdk.SetSPD(gateway, 5, speed, 1, &r), 1);
        if (speed7 != 0) {
            EXPECT_EQ(sdk.KymENA(gateway, 7, 1, &r), 1);
            EXPECT_EQ(sdk.SetSPD(gateway, 7, speed7, 1, &r), 1);
        }
        QTest::mouseClick(window_->Form().plotButton, Qt::LeftButton);
        PlotWindow* plot = window_->Plot();
        EXPECT_NE(plot, nullptr);
        plot->Form().period->setValue(50);
        plot->Choose(5, Quantity::Speed, true);
        return *plot;
    }
};

TEST_F(PlotWidgetsTest, AfterASpeedSetThePositionCurveRisesAndEachNodeKeepsItsOwnCurves) {
    PlotWindow& plot = OpenPlotWithNodeMoving();
    // The ticked nodes offer their own quantities; the first of each is ticked.
    QTreeWidget* list = plot.Form().quantityList;
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->childCount(), 5);  // position, speed, encoder, enable, direction
    EXPECT_EQ(list->topLevelItem(0)->child(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(list->topLevelItem(1)->child(0)->checkState(0), Qt::Checked);
    plot.Form().window->setValue(1);  // the view scrolls after a second
    QTest::mouseClick(plot.Form().startButton, Qt::LeftButton);
    ASSERT_TRUE(plot.Sampling());
    ASSERT_TRUE(Eventually([&] {
        const auto at = plot.Store().Find(5, Quantity::Position);
        return at && plot.Store().Curves()[*at].points.size() >= 20;
    }));
    QTest::qWait(100);  // a frame
    const CurveStore& store = plot.Store();
    const Curve& position = store.Curves()[*store.Find(5, Quantity::Position)];
    EXPECT_GT(position.points.back().v - position.points.front().v, 200);  // 400 steps/s for a second
    for (size_t i = 1; i < position.points.size(); ++i)
        EXPECT_GE(position.points[i].v, position.points[i - 1].v);
    for (const CurvePoint& p : store.Curves()[*store.Find(5, Quantity::Speed)].points) EXPECT_EQ(p.v, 400);
    // Node 7 stands still: its curve never shows node 5's position.
    ASSERT_TRUE(store.Find(7, Quantity::Position));
    for (const CurvePoint& p : store.Curves()[*store.Find(7, Quantity::Position)].points) EXPECT_EQ(p.v, 0);
    // The chart draws it: the line rises and its legend names node and quantity.
    QLineSeries* line = plot.View().Line(*store.Find(5, Quantity::Position));
    ASSERT_NE(line, nullptr);
    ASSERT_GE(line->count(), 2);
    EXPECT_GT(line->at(line->count() - 1).y(), line->at(0).y());
    EXPECT_EQ(line->name(), "Node 5 Position");
    // Paused, the view stays where it is while sampling goes on.
    QTest::mouseClick(plot.Form().pauseButton, Qt::LeftButton);
    const double to = plot.View().To();
    QTest::qWait(300);
    EXPECT_EQ(plot.View().To(), to);
    EXPECT_TRUE(plot.Sampling());
    QTest::mouseClick(plot.Form().pauseButton, Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return plot.View().To() > to; }));
    // Export of the visible data and of the picture.
    const std::string csv = dir_.Path() + "/visible.csv", png = dir_.Path() + "/plot.png";
    plot.chooseFile = [&](const QString&, const QString& filter) {
        return QString::fromStdString(filter.startsWith("CSV") ? csv : png);
    };
    QTest::mouseClick(plot.Form().exportCsvButton, Qt::LeftButton);
    QTest::mouseClick(plot.Form().exportPngButton, Qt::LeftButton);
    EXPECT_EQ(ReadFileText(csv).value_or("").rfind("elapsed_s,node,quantity,value\r\n", 0), 0u);
    EXPECT_NE(ReadFileText(csv).value_or("").find(",5,position,"), std::string::npos);
    EXPECT_FALSE(QImage(QString::fromStdString(png)).isNull());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(PlotWidgetsTest, RecordingTwoSecondsGivesRisingPositionsAndClosingTheGatewayEndsIt) {
    PlotWindow& plot = OpenPlotWithNodeMoving();
    const std::string file = dir_.Path() + "/record.csv";
    plot.chooseFile = [&](const QString&, const QString&) { return QString::fromStdString(file); };
    QTest::mouseClick(plot.Form().recordButton, Qt::LeftButton);  // starts sampling too
    ASSERT_TRUE(plot.Recording());
    ASSERT_TRUE(plot.Sampling());
    QTest::qWait(2000);
    QTest::mouseClick(plot.Form().recordButton, Qt::LeftButton);
    EXPECT_FALSE(plot.Recording());
    EXPECT_TRUE(plot.Sampling());  // the plot goes on
    const std::string text = ReadFileText(file).value_or("");
    ASSERT_EQ(text.rfind("time,elapsed_ms,node,quantity,value,result\r\n", 0), 0u);
    std::vector<double> positions;
    size_t at = text.find("\r\n") + 2;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a row without its line end";
        const std::string row = text.substr(at, end - at);
        at = end + 2;
        ASSERT_TRUE(row.ends_with(",1")) << row;
        if (row.find(",5,position,") != std::string::npos)
            positions.push_back(std::stod(row.substr(row.find(",5,position,") + 12)));
    }
    // Two seconds at 50 ms; on a loaded machine a round can be missed, not more than a few.
    EXPECT_GE(positions.size(), 30u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GT(positions.back() - positions.front(), 600);  // 400 steps a second for two seconds

    // A new recording, then the gateway is closed: sampling stops and the file ends whole.
    const std::string second = dir_.Path() + "/second.csv";
    ASSERT_TRUE(plot.StartRecording(QString::fromStdString(second)));
    ASSERT_TRUE(Eventually([&] { return ReadFileText(second).value_or("").size() > 200; }));
    QTest::mouseClick(window_->Form().connectButton, Qt::LeftButton);  // disconnects
    ASSERT_FALSE(window_->Logic().Connected());
    EXPECT_FALSE(plot.Sampling());
    EXPECT_FALSE(plot.Recording());
    EXPECT_TRUE(ReadFileText(second).value_or("").ends_with(",1\r\n"));
}

TEST_F(PlotWidgetsTest, AGatewayThatStopsAnsweringEndsSamplingAndTheRecording) {
    PlotWindow& plot = OpenPlotWithNodeMoving();
    const std::string file = dir_.Path() + "/record.csv";
    ASSERT_TRUE(plot.StartRecording(QString::fromStdString(file)));
    ASSERT_TRUE(Eventually([&] { return plot.Store().LastTime() > 0.3; }));
    simulation_.Stop();
    ASSERT_TRUE(Eventually([&] { return !plot.Sampling(); }));
    EXPECT_FALSE(plot.Recording());
    // The failed reads are in the file with their result and no value.
    const std::string text = ReadFileText(file).value_or("");
    EXPECT_NE(text.find(",5,position,,"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\n"));
    EXPECT_EQ(plot.Form().statusLabel->text().toStdString(), language_.Lookup("IDS_PLOT_GATEWAY_LOST"));
}

TEST_F(PlotWidgetsTest, Screenshots) {
    const char* folder = std::getenv("KESTRIN_SCREENSHOTS");
    if (!folder) GTEST_SKIP() << "KESTRIN_SCREENSHOTS not set";
    for (const char* file : {"English.ini", "Chinese.ini"}) {
        PlotWindow& plot = OpenPlotWithNodeMoving(file, 600, 250);
        plot.Choose(5, Quantity::Speed, false);
        plot.resize(1000, 600);
        QTest::mouseClick(plot.Form().startButton, Qt::LeftButton);
        const uint32_t gateway = window_->Logic().Gateway();
        KymReply r{};
        QTest::qWait(2500);
        sdk_->Table().SetSPD(gateway, 5, -400, 1, &r);  // back the other way
        QTest::qWait(2500);
        QTest::qWait(100);
        const std::string stem = std::string(folder) + "/plot-" + std::filesystem::path(file).stem().string();
        EXPECT_TRUE(plot.grab().save(QString::fromStdString(stem + ".png")));
        window_->ExitFromMenu();
        window_.reset();
    }
}

}  // namespace
}  // namespace norvane::bench::test
