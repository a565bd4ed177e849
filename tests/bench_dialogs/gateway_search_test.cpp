// The gateway search parameter dialog's logic: lists and preselection from the stored fields, the
// round trip of OK into GWParam.cfg, and the forced stop.
#include <gtest/gtest.h>

#include "bench/dialogs/gateway_search_logic.h"
#include "dialog_rig.h"

namespace norvane::bench::test {
namespace {

class GatewaySearch : public ::testing::Test, public DialogRig {
protected:
    int closed = 0;
    GatewaySearchLogic dialog{sdk.table, messages, {12, 3}, [this] { ++closed; }};
};

TEST_F(GatewaySearch, StoredValuesArePreselectedAndOkRoundTripsThroughTheFile) {
    GwParams stored;
    ParseGwParams("1,0,1,1,3,57600,2130706524,2,\n", stored);
    dialog.Open(stored);
    auto& s = dialog.State();
    EXPECT_EQ(s.comEntries, (std::vector<std::string>{"COM12", "COM3", "NULL"}));
    EXPECT_EQ(s.comText, "COM3");  // OK without a choice keeps the stored port
    EXPECT_EQ(s.baudText, "57600");
    EXPECT_EQ(s.bitRate, 2);
    EXPECT_EQ(s.ip, 2130706524u);
    EXPECT_TRUE(s.serialListsEnabled);

    ProgramDir dir;
    SaveGwParams(dir.Path(), dialog.Accept());
    GwParams read;
    LoadGwParams(dir.Path(), read);
    EXPECT_EQ(FormatGwParams(read), "1,0,1,1,3,57600,2130706524,2,\n");

    // Values the lists lack fall back to NULL; an unticked Ethernet box leaves the address empty.
    ParseGwParams("0,1,0,0,9,4800,5,77,\n", stored);
    dialog.Open(stored);
    EXPECT_FALSE(s.serialListsEnabled);
    EXPECT_FALSE(s.ip);
    EXPECT_EQ(FormatGwParams(dialog.Accept()), "0,1,0,0,0,0,0,5,\n");
    dialog.SerialClicked(true);
    s.comText = "COM7";  // typed by the operator
    EXPECT_EQ(dialog.Accept().field[4], 7);
}

TEST_F(GatewaySearch, ForcedStopClosesTheGatewayAndSendsEvenWithNodeZero) {
    GwParams stored;
    ParseGwParams("1,1,1,0,3,9600,0,5,\n", stored);
    dialog.Open(stored);
    dialog.State().nodeText = "";
    dialog.ForceStop();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(messages.Shown(), std::vector<std::string>{"[Kestrin] Please input CANID!"});
    EXPECT_EQ(sdk.Calls(),
              (std::vector<std::string>{"ForceStopProgram(1,{3,9600},0)", "ForceStopProgram(4,null,0)",
                                        "ForceStopProgram(8,null,0)"}));
    sdk.ClearCalls();
    dialog.State().nodeText = "17";
    dialog.State().baudText = "NULL";
    dialog.State().bitRate = 3;
    dialog.ForceStop();
    EXPECT_EQ(messages.Shown().back(), "[Kestrin] Please choose comport or btr!");
    EXPECT_EQ(sdk.Calls(),
              (std::vector<std::string>{"ForceStopProgram(4,{1,3},17)", "ForceStopProgram(8,null,17)"}));
}

}  // namespace
}  // namespace norvane::bench::test
