// The I/O module, KYD0606 and liquid-level dialogs' logic over a recording SDK: what opening
// reads, what each command sends, and that failed reads leave the device and the fields alone.
#include <gtest/gtest.h>

#include <cstring>

#include "bench/dialogs/io_module_logic.h"
#include "bench/dialogs/kyd0606_logic.h"
#include "bench/dialogs/level_logic.h"
#include "dialog_rig.h"

namespace norvane::bench::test {
namespace {

class IoDialogs : public ::testing::Test, public DialogRig {
protected:
    void Name(const char* model) {
        std::memcpy(reinterpret_cast<char*>(ReplyOf("GetMDL").field) + 36, model, std::strlen(model));
    }
    IoModuleLogic io{target};
};

TEST_F(IoDialogs, OpeningA7364SkipsThePwmReadAndOffersNoPwm) {
    Name("KYD7364");
    ReplyOf("GetIOconfig").field[0] = 0x0008;  // P2 analog, the rest PWM (absent here)
    io.Open();
    auto& s = io.State();
    for (const auto& codes : s.selectorCodes) EXPECT_EQ(std::count(codes.begin(), codes.end(), kPortPwm), 0);
    EXPECT_TRUE(CallsOf("GetPM").empty());
    EXPECT_TRUE(CallsOf("GetPBR").empty());
    EXPECT_EQ(s.pwmTexts.base1 + s.pwmTexts.base2 + s.pwmTexts.pbr + s.pwmTexts.duty1 + s.pwmTexts.duty2,
              "11100");
    EXPECT_EQ(s.analogEnabled, (PortArray<bool>{false, true, false, false, false, false, false, false}));
    EXPECT_EQ(s.selectorItem[1], 0);  // AVA is the first item
}

TEST_F(IoDialogs, OpeningReadsLevelsConfigurationAndPwm) {
    ReplyOf("GetKYDMCFG").field[0] = 0x8001;
    ReplyOf("GetIOconfig").field[0] = 0x05FF;
    ReplyOf("GetPMB").field[0] = 0x02C8;
    ReplyOf("GetPMD").field[0] = 0x00C8;
    ReplyOf("GetPBR").field[0] = 2500;
    ReplyOf("GetDVAInfo").field[0] = 0x0A;
    io.Open();
    auto& s = io.State();
    EXPECT_TRUE(s.notify[0] && s.initial[7]);
    EXPECT_EQ(s.slider, 2500);
    EXPECT_EQ(s.period1, "100000.000 ms");
    EXPECT_EQ(s.duty1, "100.00%");
    EXPECT_EQ(s.wave1.dutyPercent, 100);
    EXPECT_EQ(s.wave2.periodLabel, "Period: 1000.0 ms");
    EXPECT_EQ(s.inputLeds, BitsOf(0x0A));
    EXPECT_EQ(s.outputLeds, PortArray<bool>{});
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(IoDialogs, McfgSetsKeepTheOtherByteAndStopWhenTheReadFails) {
    ReplyOf("GetKYDMCFG").field[0] = 0x5A0F;
    io.State().notify = BitsOf(0x81);
    io.SetNotify();
    io.State().initial = BitsOf(0x02);
    io.SetInitialLevels();
    EXPECT_EQ(CallsOf("SetKYDMCFG"), (std::vector<std::string>{"SetKYDMCFG(4096,9,[0x5a81],1,&r)",
                                                               "SetKYDMCFG(4096,9,[0x20f],1,&r)"}));
    sdk.ClearCalls();
    sdk.resultOf["GetKYDMCFG"] = -1;
    io.SetNotify();
    EXPECT_TRUE(CallsOf("SetKYDMCFG").empty());
    EXPECT_EQ(messages.Shown().back(), "[Error] " + language.Lookup("IDS_NO_DEVICE_FIND"));
}

TEST_F(IoDialogs, PortConfigOutputsAndSelectAll) {
    io.Open();
    auto& s = io.State();
    s.selectorItem = {1, 1, 0, 0, 0, 0, 0, -1};  // P3 TTL out ... P8 nothing selected
    s.analogTicked[0] = true;
    io.SetPortConfig();
    EXPECT_EQ(CallsOf("SetIOconfig").back(), "SetIOconfig(4096,9,[0x555],1,&r)");
    EXPECT_EQ(s.analogTicked, PortArray<bool>{});  // select-all is off: the rule unticks all

    // Select-all while only P3 is analog ticks only P3.
    ReplyOf("GetIOconfig").field[0] = 2 << 4;
    io.Open();
    io.SelectAll(true);
    EXPECT_EQ(MaskOf(s.analogTicked), 0x04);

    io.OutputBoxChanged(8, true);
    io.OutputBoxChanged(1, true);
    EXPECT_EQ(MaskOf(s.outputLeds), 0x81);  // the LEDs follow the boxes at once
    sdk.resultOf["SetDVAInfo"] = -1;
    s.outputLeds = {};
    io.SetOutputs();
    EXPECT_EQ(CallsOf("SetDVAInfo").back(), "SetDVAInfo(4096,9,[0x81],1,&r)");
    EXPECT_EQ(MaskOf(s.outputLeds), 0);  // a refused set shows nothing as sent
}

TEST_F(IoDialogs, AnalogQueryShowsOnlyRealReadings) {
    auto& s = io.State();
    s.analogValue.fill("7");
    // Nothing ticked: the SDK answers 0 and the fields stay.
    sdk.resultOf["GetAVAInfo"] = 0;
    io.QueryAnalog();
    EXPECT_EQ(CallsOf("GetAVAInfo").back(), "GetAVAInfo(4096,9,[0],1,&r)");
    EXPECT_EQ(s.analogValue[0], "7");
    // A failed query is reported and its zeroed record is not shown.
    sdk.resultOf["GetAVAInfo"] = -1;
    io.QueryAnalog();
    EXPECT_EQ(s.analogValue[0], "7");
    EXPECT_EQ(messages.Shown().size(), 1u);
    sdk.resultOf["GetAVAInfo"] = 1;
    ReplyOf("GetAVAInfo").field[3] = 4095;
    s.analogTicked[2] = true;
    io.QueryAnalog();
    EXPECT_EQ(CallsOf("GetAVAInfo").back(), "GetAVAInfo(4096,9,[4],1,&r)");
    EXPECT_EQ(s.analogValue[2] + "/" + s.analogVolts[2] + " " + s.analogValue[0] + "/" + s.analogVolts[0],
              "4095/5.000 0/0.000");
}

TEST_F(IoDialogs, PwmApplyValidatesAndFailedReadsKeepTheFields) {
    auto& s = io.State();
    s.pwmTexts = {"0", "1", "1", "0", "0"};
    io.ApplyPwm();
    EXPECT_TRUE(CallsOf("SetP").empty());
    EXPECT_EQ(messages.Shown().back(), "[Kestrin] PWMBase1: please enter an integer between 1 and 200.");

    s.pwmTexts = {"200", "3", "2500", "200", "1"};
    io.SliderMoved(7);
    EXPECT_EQ(CallsOf("SetP"),
              (std::vector<std::string>{"SetPBR(4096,9,7,1,&r)", "SetPMB(4096,9,[0x3c8],1,&r)",
                                        "SetPMD(4096,9,[0x1c8],1,&r)"}));
    EXPECT_EQ(s.period2, "4.200 ms");

    // Reads that fail keep their fields; the others still land.
    Name("KYD82701");
    sdk.resultOf["GetPMB"] = -1;
    sdk.resultOf["GetPBR"] = -1;
    ReplyOf("GetPMD").field[0] = 0x0A14;
    io.Open();
    EXPECT_EQ(s.pwmTexts.base1 + "," + s.pwmTexts.pbr + "," + s.pwmTexts.duty1 + "," + s.pwmTexts.duty2,
              "200,7,20,10");
}

TEST_F(IoDialogs, Kyd0606ReadsAndSetsTheOutputWord) {
    Kyd0606Logic dialog(target);
    ReplyOf("GetIOOutput").field[0] = 0x00810003;
    dialog.Open();
    EXPECT_EQ(MaskOf(dialog.State().inputLeds), 0x03);
    EXPECT_EQ(MaskOf(dialog.State().outputs), 0x81);
    dialog.State().outputs = BitsOf(0x80);
    dialog.Set();
    dialog.State().outputs = BitsOf(0x81);
    dialog.Set();
    EXPECT_EQ(CallsOf("SetIOOutput").back(), "SetIOOutput(4096,9,[0xff0081],1,&r)");
    sdk.resultOf["GetIOOutput"] = -1;
    dialog.Query();
    EXPECT_EQ(messages.Shown().back(), "[Error] DVA获取失败");
}

TEST_F(IoDialogs, LevelDetectorReadsSetsAndReports) {
    LevelLogic dialog(target);
    ReplyOf("GetPMB").field[0] = -5;
    ReplyOf("GetPOS").field[0] = 1234;
    sdk.resultOf["GetSTP"] = -1;
    dialog.Open();
    auto& s = dialog.State();
    EXPECT_EQ(s.tip + "," + s.level + "," + s.relative + "," + s.absolute, "-5,0,,1234");
    EXPECT_EQ(messages.Shown(), std::vector<std::string>{"[Error] Execute GetPOS failed"});
    s.level = "abc";
    dialog.SetLevel();
    EXPECT_TRUE(CallsOf("SetPMD").empty());
    EXPECT_EQ(messages.Shown().back(), "[Error] " + language.Lookup("IDS_INPUT_VALID_NUM"));
    s.tip = "-300";
    dialog.SetTip();
    sdk.resultOf["SetORG"] = 0;
    dialog.Reset();
    EXPECT_EQ(CallsOf("Set"),
              (std::vector<std::string>{"SetPMB(4096,9,[0xfffffed4],1,&r)", "SetORG(4096,9,0,1,&r)"}));
    EXPECT_EQ(messages.Shown().back(), "[Error] " + language.Lookup("IDS_DATA_RECEIVE_ERROR"));
}

}  // namespace
}  // namespace norvane::bench::test
