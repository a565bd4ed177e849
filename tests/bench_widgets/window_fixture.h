#pragma once
// The shared fixture of the window's tests: one QApplication and one SDK binding per run; per
// test the simulator with the test's nodes behind an Ethernet gateway at a loopback address of
// the test's own, a program folder with the shipped languages and a GWParam.cfg that searches
// only that address, and the main window (offscreen) that searches, connects and discovers.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "bench/core/sdk_binding.h"
#include "bench/widgets/main_window.h"
#include "bench_fixtures.h"
#include "sim/simulation.h"
#include "ui_main_window.h"

namespace norvane::bench::test {

/// Every box recorded; questions are answered with `next`.
struct Answers : RecordedMessages {
    Answer next = Answer::Yes;
    Answer Ask(const std::string& caption, const std::string& body, bool) override {
        Show(caption, body);
        return next;
    }
};

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_bench_widgets";
        static char* argv[] = {name, nullptr};
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QApplication::instance()) new QApplication(argc, argv);
        if (sdk_) return;
        sdk_ = new SdkLibrary;
        ASSERT_TRUE(sdk_->Bind(std::string(KESTRIN_BIN_DIR) + "/libNorvaneFunc.so").ok);
    }

    /// Starts the simulator with an Ethernet gateway at address (a loopback address no other
    /// test uses) and the nodes of `nodes` (simulator configuration lines), and prepares the
    /// program folder to search that gateway only.
    void StartSimulator(const std::string& address, const std::string& nodes) {
        sim::SimConfig config;
        std::string error;
        ASSERT_TRUE(sim::ParseSimConfig("ethernet " + address + ":0\n" + nodes, config, error)) << error;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
        sdk_->Table().SetEthernetServerPort(static_cast<uint16_t>(Gateway().Port()));
        dir_.AddShippedLanguages();
        in_addr ip{};
        ASSERT_EQ(inet_pton(AF_INET, address.c_str(), &ip), 1);
        dir_.Put("GWParam.cfg", "0,0,0,1,0,0," + std::to_string(ntohl(ip.s_addr)) + ",0,\n");
    }
    void Open(const char* languageFile = "English.ini") {
        language_ = ShippedLanguage(languageFile);
        window_ = std::make_unique<MainWindow>(sdk_->Table(), language_, dir_.Path(), &messages_);
        window_->show();
    }
    /// Searches, connects and discovers until `rows` nodes are listed. Discovery listens for a
    /// fixed second: on an overloaded machine a node can answer late and is missed, so the
    /// discovery is repeated a few times.
    void ConnectAndDiscover(int rows) {
        Ui::MainWindow& ui = window_->Form();
        QTest::mouseClick(ui.searchButton, Qt::LeftButton);
        ASSERT_EQ(ui.gatewayList->count(), 1);
        QTest::mouseClick(ui.connectButton, Qt::LeftButton);
        ASSERT_TRUE(window_->Logic().Connected());
        for (int attempt = 0; attempt < 5 && ui.nodeList->topLevelItemCount() != rows; ++attempt)
            QTest::mouseClick(ui.discoverButton, Qt::LeftButton);
        ASSERT_EQ(ui.nodeList->topLevelItemCount(), rows);
    }
    void Tick(int row) { window_->Form().nodeList->topLevelItem(row)->setCheckState(0, Qt::Checked); }
    /// Lets the window run until condition holds; false after 20 s (a loaded machine is slow).
    template <typename F>
    static bool Eventually(F condition) {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > 20000) return false;
            QTest::qWait(10);
        }
        return true;
    }
    QString ReturnPane() { return window_->Form().returnPane->toPlainText(); }
    sim::EthernetGateway& Gateway() { return *simulation_.EthernetGateways().front(); }

    static inline SdkLibrary* sdk_ = nullptr;
    sim::Simulation simulation_;
    ProgramDir dir_;
    Language language_;
    Answers messages_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace norvane::bench::test
