// The first run as a new user meets it: norvane-sim started without options (its default
// devices at 127.0.0.1), Kestrin started from a folder without GWParam.cfg; Search, Connect and
// Discover list the simulator's nodes without any setting made.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "sim/sim_config.h"
#include "ui_main_window.h"
#include "window_fixture.h"

namespace norvane::bench::test {
namespace {

class FirstRunTest : public WindowTest {};

TEST_F(FirstRunTest, WithoutGwParamTheSimulatorsNodesAreListed) {
    sim::SimConfig config = sim::DefaultSimConfig();
    ASSERT_EQ(config.gateways.size(), 1u);
    ASSERT_EQ(config.gateways[0].address, "127.0.0.1");
    // The simulator's default address; a free port instead of 28877, so that tests (and a
    // simulator someone started) can run side by side.
    config.gateways[0].port = 0;
    std::string error;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
    sdk_->Table().SetEthernetServerPort(static_cast<uint16_t>(Gateway().Port()));
    dir_.AddShippedLanguages();
    ASSERT_FALSE(std::filesystem::exists(dir_.Path() + "/GWParam.cfg"));

    Open();
    ASSERT_NO_FATAL_FAILURE(ConnectAndDiscover(static_cast<int>(config.gateways[0].nodes.size())));
    Ui::MainWindow& ui = window_->Form();
    EXPECT_EQ(ui.nodeList->topLevelItem(0)->text(0), "5");
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front();
    // Nothing was written into the program folder by the search.
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "/GWParam.cfg"));
}

}  // namespace
}  // namespace norvane::bench::test
