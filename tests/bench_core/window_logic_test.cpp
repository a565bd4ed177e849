// The main window's rules without a display: search, connection, discovery, ticking, the
// model-dependent enabling, the precheck, notices and the gateway settings, against a recording
// SDK table.
#include "bench/core/window_logic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "bench/core/mcfg_controls.h"
#include "bench/core/notice_display.h"
#include "bench/core/return_pane.h"
#include "bench/core/settings_place.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {
namespace {

using ::testing::ElementsAre;

struct AnsweringMessages : RecordedMessages {
    std::vector<Answer> answers;  ///< given in order; Yes once they run out
    Answer Ask(const std::string& caption, const std::string& body, bool) override {
        Show(caption, body);
        if (answers.empty()) return Answer::Yes;
        const Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

struct FakeMonitor : MonitorControl {
    bool running = false;
    int starts = 0, stops = 0;
    bool Running() const override { return running; }
    void Stop() override { running = false, ++stops; }
    void Start() override { running = true, ++starts; }
};

KymDevInfo Gateway(uint32_t handle, const char* name, uint32_t transport = 0) {
    KymDevInfo info{};
    info.handle = handle;
    info.kind = (handle >> 8) & 0xFF;
    info.transportValue = transport;
    std::strncpy(info.name, name, sizeof info.name - 1);
    return info;
}

KymReply Model(uint32_t code, uint32_t firmware, const char* name, int mFlag = 0, int sensor = 0) {
    KymReply r{};
    r.field[1] = static_cast<int32_t>(code);
    r.field[5] = mFlag;
    r.field[6] = sensor;
    r.field[8] = static_cast<int32_t>(firmware);
    std::memcpy(reinterpret_cast<char*>(&r) + 36, name, std::strlen(name) + 1);
    return r;
}

// One window's logic on a recording SDK; GetMDL answers from `models` by node id.
struct Rig {
    Rig() {
        self = this;
        sdk.table.GetMDL = [](uint32_t, uint32_t node, KymReply* r) -> int32_t {
            *r = self->models[node];
            return 1;
        };
        sdk.gateways = {Gateway(0x1000, "Ethernet gateway"), Gateway(0x0101, "KYM4703 Version:1220", 57600)};
        language.LoadText(
            "[String]\nIDS_ERR=Error\nIDS_Site=Site\nIDS_SiteID=SiteID\n"
            "IDS_FAILING_RTCN=falling\nIDS_RISING_RTCN=rising\nIDS_CAN_BTR_SET_WARNING=Reset %d?\n"
            "IDS_STATIC_DISCONNECT_CONFIRM=Disconnect first?\nIDS_CAN_NOT_FIND_DEVICE_ERROR=None found.\n"
            "IDS_SEARCH_PARAMETERS_HINT=See Settings.\n");
    }
    void Connect(std::vector<uint32_t> ids = {7, 5, 6}) {
        sdk.ids = ids;
        sdk.result = static_cast<int32_t>(sdk.gateways.size());
        ASSERT_TRUE(logic.Search(false));
        sdk.result = 1;
        sdk.resultOf["KymGrobReg"] = static_cast<int32_t>(ids.size());
        logic.ToggleConnection();
        ASSERT_TRUE(logic.Connected());
        logic.Discover();
        sdk.ClearCalls();
        messages.shown.clear();
    }
    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (const NodeRow& row : logic.Nodes().Rows()) ticks.push_back(row.ticked);
        return ticks;
    }

    static inline Rig* self = nullptr;
    RecordingSdk sdk;
    std::map<uint32_t, KymReply> models{{5, Model(0x1800, 1240, "KYM42A-M", 1, 1)},
                                        {6, Model(0x1800, 1240, "KYM42A-M", 1, 1)},
                                        {7, Model(0x1800, 1200, "KYM57")},
                                        {8, Model(0x5200, 1100, "KYD8000")},
                                        {9, Model(0x5C00, 1100, "RFID")}};
    Language language;
    ProgramDir dir;
    std::vector<std::string> logged;
    LogWriter log{language, [this](const std::string& line) { logged.push_back(line); }};
    AnsweringMessages messages;
    FakeMonitor monitor;
    WindowLogic logic{sdk.table, language, log, messages, monitor, dir.Path()};
};

TEST(WindowLogicTest, SearchWithoutGwParamAsksEveryKindAndLeftShiftOnlyShowsR177) {
    Rig rig;
    rig.sdk.result = 2;
    EXPECT_FALSE(rig.logic.Search(true));
    EXPECT_THAT(rig.messages.shown, ElementsAre("[Kestrin] R(177)"));
    EXPECT_TRUE(rig.sdk.Calls().empty());
    EXPECT_TRUE(rig.logic.Search(false));
    EXPECT_THAT(rig.sdk.Calls(), ElementsAre("SearchGateway(29,ids,infos,5)"));
    EXPECT_THAT(rig.logic.GatewayNames(), ElementsAre("Ethernet gateway", "KYM4703 Version:1220"));
    EXPECT_TRUE(rig.logic.Controls().Enabled(ctl::kConnect));
}

TEST(WindowLogicTest, ConnectEnablesByKindAndSelectsTheRecordsBaudRate) {
    Rig rig;
    rig.sdk.result = 2;
    ASSERT_TRUE(rig.logic.Search(false));
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kDiscover));
    rig.logic.SelectGateway(1);  // RS-232, 57600
    rig.sdk.result = 1;
    rig.logic.ToggleConnection();
    const ControlStates& c = rig.logic.Controls();
    EXPECT_TRUE(rig.logic.Connected());
    EXPECT_EQ(rig.logic.BaudList()[rig.logic.BaudSelection()], "57600");
    EXPECT_TRUE(c.Enabled(ctl::kDiscover) && c.Enabled(ctl::kRs232Baud) && c.Enabled(ctl::kNotify));
    EXPECT_FALSE(c.Enabled(ctl::kGatewayNumber) || c.Enabled(ctl::kGatewayNumberSet));
    EXPECT_STREQ(rig.logic.ConnectKey(), "IDS_DISCONNECT_DEVICE");
    rig.logic.ToggleConnection();
    EXPECT_FALSE(rig.logic.Connected());
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kDiscover));

    rig.sdk.gateways = {Gateway(0x0102, "KYM5102", 115200)};
    ASSERT_TRUE(rig.logic.Search(false));
    rig.logic.ToggleConnection();
    EXPECT_EQ(rig.logic.BaudList().size(), 4u);
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kCanBitRate));
}

TEST(WindowLogicTest, DiscoveryListsAscendingAndLogsTheSiteSum) {
    Rig rig;
    rig.Connect({7, 5, 6});
    std::vector<int> ids;
    for (const NodeRow& row : rig.logic.Nodes().Rows()) ids.push_back(row.id);
    EXPECT_THAT(ids, ElementsAre(5, 6, 7));
    EXPECT_EQ(rig.logic.Nodes().Rows()[0].model, "KYM42A-M");
    EXPECT_EQ(rig.logic.Nodes().Rows()[2].firmware, "1200");
    rig.sdk.ids = {};
    rig.sdk.resultOf["KymGrobReg"] = 0;
    EXPECT_FALSE(rig.logic.Discover());
    ASSERT_FALSE(rig.logged.empty());
    EXPECT_NE(rig.logged.front().find(": Can site sum: 3\r\n"), std::string::npos);
}

TEST(WindowLogicTest, TickingRulesInSingleAndMultiSelectMode) {
    struct Case {
        bool multi;
        std::vector<size_t> ticks;
        std::vector<bool> expected;
        size_t messages;
    };
    const Case cases[] = {
        {false, {0, 1}, {false, true, false}, 0},  // single: a second tick unticks the first
        {true, {0, 1}, {true, true, false}, 0},    // same model and firmware
        {true, {0, 2}, {true, false, false}, 1},   // another model: refused
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Connect();
        rig.logic.SetMultiSelect(c.multi);
        for (size_t row : c.ticks) rig.logic.TickRow(row);
        EXPECT_EQ(rig.Ticks(), c.expected);
        EXPECT_EQ(rig.messages.shown.size(), c.messages);
    }
}

TEST(WindowLogicTest, MultiSelectOffUntickesEverythingUnlessOneRowIsListed) {
    Rig rig;
    rig.models[8] = rig.models[5];
    rig.Connect({5, 6, 7, 8});
    rig.logic.SetMultiSelect(true);
    rig.models[7] = rig.models[5];
    rig.logic.TickRow(0);
    rig.logic.TickRow(2);  // the third row is another model in the table: refused
    rig.logic.TickRow(3);
    EXPECT_EQ(rig.Ticks(), (std::vector<bool>{true, false, false, true}));
    rig.logic.SetMultiSelect(false);
    EXPECT_EQ(rig.Ticks(), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kAdvancedEnable));

    Rig single;
    single.Connect({5});
    single.logic.SetMultiSelect(true);
    single.logic.TickRow(0);
    single.logic.SetMultiSelect(false);
    EXPECT_EQ(single.Ticks(), std::vector<bool>{true});
}

TEST(WindowLogicTest, TickingEnablesByDeviceCodeAndFirmware) {
    struct Case {
        uint32_t node;
        int32_t mcfgResult;
        std::vector<int> enabled, disabled;
    };
    const Case cases[] = {
        {5,
         1,
         {ctl::kAdvancedEnable, ctl::kBacklash, ctl::kS12Con, ctl::kSensorMenu, 1012},
         {ctl::kS34Con, ctl::kIoModule}},
        {7, 1, {1012, ctl::kSpecialSet}, {ctl::kAdvancedEnable, ctl::kS12Con, ctl::kStore, ctl::kSensorMenu}},
        {8, 1, {ctl::kIoModule}, {1012, ctl::kRfid}},
        {9, 1, {ctl::kRfid}, {1012, ctl::kIoModule}},
        {5, 0, {}, {1012}},  // MCFG not read: nothing enabled
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Connect({c.node});
        rig.sdk.resultOf["GetKymMCFG"] = c.mcfgResult;
        rig.sdk.replyOf["GetKymMCFG"].field[0] = 0x2800;  // encoder functions
        rig.logic.TickRow(0);
        for (int id : c.enabled) EXPECT_TRUE(rig.logic.Controls().Enabled(id)) << c.node << " " << id;
        for (int id : c.disabled) EXPECT_FALSE(rig.logic.Controls().Enabled(id)) << c.node << " " << id;
        EXPECT_EQ(rig.messages.shown.size(), c.mcfgResult == 1 ? 0u : 1u);
    }
}

// The panel rows that follow MCFG: ramps by CM with AM/DM choosing time or value, the encoder
// row instead of the absolute position with QEI and QEM, the stall row by STLIE.
TEST(McfgControlsTest, RowsFollowTheWord) {
    struct Case {
        int32_t word;
        bool accTime, accValue, decTime, decValue, encoder, position, stall;
    };
    const Case cases[] = {
        {0x0000, false, false, false, false, false, true, false},  // basic motion: no ramps
        {0x0700, true, false, true, false, false, true, false},    // ramps by time
        {0x0600, true, false, false, true, false, true, false},    // acceleration time, deceleration value
        {0x0500, false, true, true, false, false, true, false},
        {0x0400, false, true, false, true, false, true, false},
        {0x2800, false, false, false, false, true, false, false},  // closed loop on the encoder
        {0x2000, false, false, false, false, false, true, false},  // encoder on, open loop
        {0x0840, false, false, false, false, false, true, true},   // QEM alone; stall notice
    };
    for (const Case& c : cases) {
        ControlStates controls;
        EXPECT_EQ(ApplyMcfgControls(c.word, controls), c.encoder) << std::hex << c.word;
        const std::pair<int, bool> rows[] = {{1037, c.accTime},  {1045, c.accValue}, {1042, c.decTime},
                                             {1054, c.decValue}, {1025, c.encoder},  {1023, c.position},
                                             {1100, c.stall}};
        for (const auto& [id, on] : rows)
            EXPECT_EQ(controls.Enabled(id), on) << std::hex << c.word << " " << std::dec << id;
    }
}

// Ticking a controller applies its MCFG word, offers STO only while its motor is not enabled,
// and applies the word again when it changes; unticking takes the ramp buttons away.
TEST(WindowLogicTest, TickingAppliesMcfgAndStoByStatus) {
    Rig rig;
    rig.Connect({5});
    rig.sdk.replyOf["GetKymMCFG"].field[0] = 0x0700;
    rig.sdk.replyOf["KymFBK"].field[1] = 1;  // enabled
    EXPECT_TRUE(rig.logic.TickRow(0));
    const ControlStates& c = rig.logic.Controls();
    EXPECT_TRUE(c.Enabled(1037) && c.Enabled(1051) && c.Enabled(1139));
    EXPECT_FALSE(c.Enabled(1049) || c.Enabled(1106) || c.Enabled(1113));
    rig.logic.Current().SetMcfg(0x2800);
    rig.logic.McfgChanged();
    EXPECT_FALSE(c.Enabled(1037) || c.Enabled(ctl::kPositionSet));
    EXPECT_TRUE(c.Enabled(ctl::kEncoderSet) && c.Enabled(ctl::kSpecialSet));
    rig.logic.UntickRow(0);
    EXPECT_FALSE(c.Enabled(1051) || c.Enabled(1012));
    rig.logic.Current().SetMcfg(0x0700);
    rig.logic.McfgChanged();  // nothing ticked: nothing comes back
    EXPECT_FALSE(c.Enabled(1037));
    rig.sdk.replyOf["KymFBK"].field[1] = 0;
    EXPECT_TRUE(rig.logic.TickRow(0));
    EXPECT_TRUE(c.Enabled(1106));
    EXPECT_FALSE(rig.logic.TickRow(0));  // already ticked: no second round of queries
}

// Expanding enables the first ticked controller again (the panel then runs its expand queries);
// a 524 gateway keeps P4 off even after ticking.
TEST(WindowLogicTest, ExpandingWithATickedControllerAndThe524Rule) {
    Rig rig;
    rig.Connect({5, 8});
    EXPECT_FALSE(rig.logic.SetExpanded(true));  // nothing ticked
    rig.logic.TickRow(1);                       // the I/O module
    EXPECT_FALSE(rig.logic.SetExpanded(true));
    rig.logic.TickRow(0);
    rig.sdk.ClearCalls();
    EXPECT_TRUE(rig.logic.SetExpanded(true));
    EXPECT_THAT(rig.sdk.Calls(), testing::Contains("GetKymMCFG(4096,5,&r)"));
    EXPECT_TRUE(rig.logic.Controls().Enabled(ctl::kP4Query));
    EXPECT_FALSE(rig.logic.SetExpanded(false));

    Rig old;
    old.sdk.gateways = {Gateway(0x1000, "KYM524 gateway")};
    old.Connect({5});
    EXPECT_TRUE(old.logic.TickRow(0));
    EXPECT_FALSE(old.logic.Controls().Enabled(ctl::kP4Query) || old.logic.Controls().Enabled(ctl::kP4Set));
}

// The exact model names, and the device code with the name the SDK builds for these devices.
TEST(WindowLogicTest, LiquidLevelAndKyd0606ButtonsByNameOrDeviceCode) {
    const struct {
        uint32_t code;
        const char* name;
        bool level, kyd0606;
    } cases[] = {
        {0x0000, "KYM03403", true, false},   {0x1822, "KYM243403", true, false},
        {0x1822, "KYM243401", false, false}, {0x0000, "KYD0606", false, true},
        {0x5206, "KYD82606", false, true},   {0x5207, "KYD82706", false, false},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.models[10] = Model(c.code, 1100, c.name);
        rig.Connect({10});
        rig.logic.TickRow(0);
        EXPECT_EQ(rig.logic.Controls().Enabled(ctl::kLiquidLevel), c.level) << c.name;
        EXPECT_EQ(rig.logic.Controls().Enabled(ctl::kKyd0606), c.kyd0606) << c.name;
    }
}

// Every control that needs a gateway and is enabled in states.
std::vector<int> EnabledNeedingAGateway(const ControlStates& states) {
    std::vector<int> ids = {ctl::kCommandBox, ctl::kCommandSend, ctl::kHistorySend};
    for (Group group : {Group::GatewaySettings, Group::MotionParameters, Group::GlobalPanel,
                        Group::MessageControls, Group::PerNodePanel, Group::DeviceButtons})
        ids.insert(ids.end(), GroupControls(group).begin(), GroupControls(group).end());
    ids.insert(ids.end(), SensorControls().begin(), SensorControls().end());
    ids.insert(ids.end(), StoButtons().begin(), StoButtons().end());
    std::vector<int> enabled;
    for (int id : ids)
        if (states.Enabled(id)) enabled.push_back(id);
    return enabled;
}

// Each way into a state without a connection leaves nothing enabled that talks to a node (the
// sensor menu and the Send buttons included), and the connect button as the gateway list allows.
TEST(WindowLogicTest, EveryWayOutOfAConnectionDisablesWhatNeedsAGateway) {
    struct Case {
        const char* way;
        std::function<void(Rig&)> act;
        bool connectEnabled;
    };
    const Case cases[] = {
        {"start", [](Rig&) {}, false},
        {"disconnect", [](Rig& rig) { rig.logic.ToggleConnection(); }, true},
        {"search while connected",
         [](Rig& rig) {
             rig.sdk.result = 2;
             EXPECT_TRUE(rig.logic.Search(false));
         },
         true},
        {"gateway list change", [](Rig& rig) { rig.logic.SelectGateway(1); }, true},
        {"forced stop", [](Rig& rig) { rig.logic.CloseForForcedStop(); }, true},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (std::string(c.way) != "start") {
            rig.Connect({5, 8});
            rig.logic.TickRow(0);  // a controller with sensors: the sensor menu and STO on
            ASSERT_TRUE(rig.logic.Controls().Enabled(ctl::kSensorMenu));
            ASSERT_TRUE(rig.logic.Controls().Enabled(ctl::kCommandSend));
        }
        c.act(rig);
        EXPECT_FALSE(rig.logic.Connected()) << c.way;
        EXPECT_THAT(EnabledNeedingAGateway(rig.logic.Controls()), ElementsAre()) << c.way;
        EXPECT_EQ(rig.logic.Controls().Enabled(ctl::kConnect), c.connectEnabled) << c.way;
        EXPECT_STREQ(rig.logic.ConnectKey(), "IDS_CONNECT_DEVICE");
    }
}

// A search that finds nothing says where the search parameters are set.
TEST(WindowLogicTest, AFruitlessSearchNamesWhereTheParametersAreSet) {
    Rig rig;
    rig.sdk.result = 0;
    EXPECT_FALSE(rig.logic.Search(false));
    EXPECT_THAT(rig.messages.shown, ElementsAre("[Error] None found.\nSee Settings."));
}

// A search while connected asks first: No keeps the connection and calls nothing.
TEST(WindowLogicTest, SearchWhileConnectedAsksBeforeClosing) {
    Rig rig;
    rig.Connect({5});
    rig.messages.answers = {Answer::No};
    EXPECT_FALSE(rig.logic.Search(false));
    EXPECT_TRUE(rig.logic.Connected());
    EXPECT_EQ(rig.logic.Nodes().Size(), 1u);
    EXPECT_TRUE(rig.sdk.Calls().empty());
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_NE(rig.messages.shown[0].find("Disconnect first?"), std::string::npos);
}

// Gateway search parameters that cannot be saved anywhere are reported, not dropped silently.
TEST(WindowLogicTest, AFailedSaveOfTheSearchParametersIsReported) {
    Rig rig;
    rig.dir.Put(kInstalledMarker, "");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/dev/null/config", 1);
    EXPECT_FALSE(rig.logic.WriteSearchParameters(GwParams{}));
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_NE(rig.messages.shown[0].find("/dev/null/config/kestrin/GWParam.cfg"), std::string::npos);
}

TEST(WindowLogicTest, ForcedStopLeavesTheWindowDisconnected) {
    Rig rig;
    rig.Connect({8});
    rig.logic.CloseForForcedStop();
    EXPECT_FALSE(rig.logic.Connected());
    EXPECT_EQ(rig.logic.Nodes().Size(), 0u);
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kDiscover));
    EXPECT_THAT(rig.sdk.Calls(), ElementsAre("CloseGateway(4096)"));
}

TEST(WindowLogicTest, PrecheckAsksAboutAnOldRs232GatewayAndCancelStopsAsking) {
    Rig rig;
    rig.sdk.result = 2;
    ASSERT_TRUE(rig.logic.Search(false));
    rig.logic.SelectGateway(1);  // Version:1220 below firmware 1240
    rig.sdk.result = 1;
    rig.logic.ToggleConnection();
    rig.sdk.ids = {5};
    rig.sdk.resultOf["KymGrobReg"] = 1;
    rig.logic.Discover();
    EXPECT_FALSE(rig.logic.Precheck());  // nothing ticked
    rig.logic.TickRow(0);
    rig.messages.answers = {Answer::No, Answer::Cancel};
    EXPECT_FALSE(rig.logic.Precheck());
    EXPECT_TRUE(rig.logic.Precheck());
    EXPECT_TRUE(rig.logic.Precheck());  // no more questions
    EXPECT_EQ(rig.messages.shown.size(), 3u);
    EXPECT_EQ(GatewayVersion("x Version:"), std::nullopt);
}

TEST(WindowLogicTest, NoticeLinesByControlWord) {
    const Language language = ShippedLanguage("English.ini");
    const std::string site = language.Lookup("IDS_SiteID");
    auto frame = [](uint32_t cw, int node, std::vector<uint8_t> data) {
        KymNoticeFrame f{};
        f.identifier =
            cw | (static_cast<uint32_t>(node & 0x1F) << 19) | (static_cast<uint32_t>(node & 0x60) << 3);
        f.length = static_cast<uint8_t>(data.size());
        std::copy(data.begin(), data.end(), f.data);
        return f;
    };
    struct Case {
        uint32_t cw;
        std::vector<uint8_t> data;
        std::string text;
    };
    const std::string falling = language.Lookup("IDS_FAILING_RTCN"),
                      rising = language.Lookup("IDS_RISING_RTCN");
    const Case cases[] = {
        {0x71, {}, "KYM318：S1 " + falling},
        {0xF3, {}, "KYM318：S3 " + rising},
        {0x70, {3}, "KYD917/919：CH03" + falling},
        {0x3E, {'O', 'K'}, "KYD153:OK"},
        {0xF5, {}, "KYM318： " + language.Lookup("IDS_STP_NOTIFY") + "(CloseLoop)"},
        {0x12, {}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NoticeLine("10:00:00:000", frame(c.cw, 102, c.data), language),
                  "#: 10:00:00:000: " + site + " 102  " + c.text + "\r\n");

    std::vector<std::string> queued;
    NoticeDisplay display(language, [&](std::string line) { queued.push_back(std::move(line)); });
    notice_relay::Attach(&display);
    KymNoticeFrame f = frame(0x71, 6, {});
    notice_relay::Callback(0, &f, 1);  // box clear: dropped
    display.SetShowing(true);
    notice_relay::Callback(0, &f, 1);
    notice_relay::Detach();
    notice_relay::Callback(0, &f, 1);  // detached: nothing reaches the display
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_NE(queued[0].find(site + " 6  KYM318：S1 "), std::string::npos);

    ReturnPane pane;
    pane.Prepend("a\r\n");
    pane.Prepend("b\r\n");
    EXPECT_EQ(pane.Text(), "b\r\na\r\n");
}

TEST(WindowLogicTest, CanBitRateAndGatewayNumber) {
    Rig rig;
    rig.Connect();
    rig.monitor.running = true;
    rig.sdk.resultOf["SetBTR"] = -1;
    rig.logic.SetCanBitRate(2);
    EXPECT_FALSE(rig.monitor.running);  // a failed set leaves monitoring stopped
    rig.sdk.resultOf["SetBTR"] = 1;
    rig.sdk.integerOut = 3;
    rig.monitor.running = true;
    rig.logic.SetCanBitRate(3);
    EXPECT_TRUE(rig.monitor.running);
    EXPECT_EQ(rig.logic.BitRateSelection(), 3);

    rig.messages.answers = {Answer::No};
    rig.logic.SetGatewayNumber(7);
    EXPECT_TRUE(rig.logic.Connected());
    rig.sdk.resultOf["SetDevIndex"] = 0;  // not done is no success either
    rig.logic.SetGatewayNumber(7);
    EXPECT_TRUE(rig.logic.Connected());
    rig.sdk.resultOf["SetDevIndex"] = 1;
    rig.logic.SetGatewayNumber(7);
    EXPECT_FALSE(rig.logic.Connected());
    EXPECT_TRUE(rig.logic.GatewayNames().empty());
    EXPECT_EQ(rig.logic.Nodes().Size(), 0u);
    EXPECT_EQ(rig.logic.Gateway(), 7u);
    EXPECT_FALSE(rig.logic.Controls().Enabled(ctl::kDiscover));
    EXPECT_THAT(rig.sdk.Calls(), testing::Contains("SetDevIndex(4096,1031)"));
}

TEST(WindowLogicTest, FactoryResetSequencesByFirmwareFlagAndKind) {
    struct Case {
        std::vector<uint32_t> nodes;  // all ticked (multi-select)
        std::vector<std::string> calls;
    };
    const std::vector<std::string> old1200{"SetMCS(4096,7,16,0,&r)",  "SetCUR(4096,7,12,0,&r)",
                                           "SetACR(4096,7,1,1,&r)",   "SetKymMCFG(4096,7,[0x700],1,&r)",
                                           "SetQER(4096,7,500,1,&r)", "SetSQT(4096,7,1000,1,&r)"};
    std::vector<std::string> new1240{
        "SetMCS(4096,5,16,0,&r)",         "SetCUR(4096,5,12,0,&r)",          "SetACR(4096,5,50,1,&r)",
        "KymAdvENA(4096,5,100,1,&r)",     "SetKymMCFG(4096,5,[0x700],1,&r)", "SetmACC(4096,5,500,1,&r)",
        "SetmDEC(4096,5,500,1,&r)",       "SetmMSS(4096,5,0,1,&r)",          "SetmMDS(4096,5,0,1,&r)",
        "KymAdvSTORE(4096,5,[0x0],1,&r)", "SetQER(4096,5,500,1,&r)",         "SetSQT(4096,5,1000,1,&r)"};
    const Case cases[] = {
        {{7}, old1200},
        {{5}, new1240},
        // node 9 (RFID) is neither: the loop ends before node 10
        {{8, 9, 10}, {"SetKYDMCFG(4096,8,[0x0],1,&r)", "SetIOconfig(4096,8,[0xffff],1,&r)"}},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.models[10] = rig.models[7];
        if (c.nodes.size() > 1)  // one model text, so that all can be ticked together
            for (auto& m : rig.models) m.second = Model(static_cast<uint32_t>(m.second.field[1]), 1100, "X");
        rig.Connect(c.nodes);
        rig.logic.SetMultiSelect(true);
        rig.sdk.replyOf["SetmACC"].field[0] = rig.sdk.replyOf["SetmDEC"].field[0] = 500;
        rig.sdk.replyOf["SetQER"].field[0] = 500;
        rig.sdk.replyOf["SetSQT"].field[0] = 1000;
        for (size_t row = 0; row < c.nodes.size(); ++row) rig.logic.TickRow(row);
        rig.sdk.ClearCalls();
        rig.logic.FactoryReset();
        std::vector<std::string> resets;
        for (const std::string& call : rig.sdk.Calls())
            if (call.rfind("KymACK", 0) != 0 && call.rfind("Get", 0) != 0) resets.push_back(call);
        EXPECT_EQ(resets, c.calls);
        EXPECT_EQ(rig.messages.shown.size(), c.nodes[0] == 8 ? 1u : 2u) << rig.messages.shown.back();
    }
}

}  // namespace
}  // namespace norvane::bench::test

namespace norvane::bench::test {
namespace {

// The SDK's receive thread delivers while the window toggles the box and then goes away: after
// Detach nothing reaches the display any more, and no access races.
TEST(NoticeRelayTest, DeliveriesFromAnotherThreadEndAtDetach) {
    Language language;
    std::atomic<int> queued{0};
    std::atomic<bool> detached{false}, lateDelivery{false};
    NoticeDisplay display(language, [&](std::string) {
        if (detached.load()) lateDelivery.store(true);
        queued.fetch_add(1);
    });
    display.SetShowing(true);
    notice_relay::Attach(&display);
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        KymNoticeFrame frame{};
        frame.identifier = 0x71;
        while (!stop.load()) notice_relay::Callback(0, &frame, 1);
    });
    while (queued.load() < 100) display.SetShowing(true);
    notice_relay::Detach();
    detached.store(true);
    stop.store(true);
    receiver.join();
    EXPECT_FALSE(lateDelivery.load());
}

}  // namespace
}  // namespace norvane::bench::test
