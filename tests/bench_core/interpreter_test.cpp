// The command interpreter against a recording SDK table: for each command text and node argument,
// the exact SDK calls, the lines written when every call returns 1 and when it returns a refusal.
#include "bench/core/interpreter.h"

#include <gtest/gtest.h>

#include "bench/core/command_text.h"
#include "bench_fixtures.h"
#include "interpreter_rig.h"

namespace norvane::bench::test {
namespace {

constexpr const char* kStatus = "(ENA:1,DIR:0,ACR:1,MCS:16,CUR:12,SPD:1000,STP:2000)";
std::string S(const std::string& head) {
    return head + kStatus;
}

struct Case {
    const char* text;
    Lines calls;
    Lines ok;    ///< every call returns 1 (or okResult)
    Lines fail;  ///< every call returns -3
    int nodeArgument = 5;
    int start = 5;  ///< current node before the text runs
    void (*prepare)(KymReply&) = nullptr;
    int32_t okResult = 1;
};

void Numbered(KymReply& r) {
    for (int i = 0; i < 14; ++i) r.field[i] = i;
}
void IoModule(KymReply& r) {
    std::memcpy(reinterpret_cast<char*>(r.field) + 36, "KYD8000", 8);
}
void Sensors(KymReply& r) {
    r.field[0] = 1;
    r.field[1] = 0;
    r.field[2] = 1;
    const float volts = 2.5f;
    std::memcpy(&r.field[3], &volts, 4);
}

const Case kCases[] = {
    // Node commands, get and set forms.
    {";", {"KymACK(4096,5,&r)"}, {S("Node:5 SUCCESS: ;<->; ")}, {"Node:5 ERR: ;<->; errno: -3"}},
    {";;",
     {"KymACK(4096,5,&r)", "KymACK(4096,5,&r)"},
     {S("Node:5 SUCCESS: ;<->; "), S("Node:5 SUCCESS: ;<->; ")},
     {"Node:5 ERR: ;<->; errno: -3", "Node:5 ERR: ;<->; errno: -3"}},
    {"ACR;",
     {"GetACR(4096,5,&r)"},
     {"Node:5 SUCCESS: ACR<->ACR; standby current 100% "},
     {"Node:5 ERR: ACR<->ACR; errno: -3"}},
    {"ACR50;",
     {"SetACR(4096,5,50,1,&r)"},
     {"Node:5 SUCCESS: ACR<->ACR50; set standby current 50%, standby current 100% "},
     {"Node:5 ERR: ACR<->ACR50; errno: -3"}},
    {"ADR7;SPD;",
     {"GetSPD(4096,7,&r)"},
     {"Node:7 SUCCESS: SPD; speed 100 "},
     {"Node:7 ERR: SPD; errno: -3"},
     -1},
    // In the command box the node argument overrides an ADR of the same line.
    {"ADR5;SPD100;",
     {"SetSPD(4096,0,100,1,&r)"},
     {"Node:0 SUCCESS: SPD100; set speed 100, speed 100 "},
     {"Node:0 ERR: SPD100; errno: -3"},
     0,
     7},
    {"BLC;",
     {"GetBLC(4096,5,&r)"},
     {"Node:5 SUCCESS: BLC<->BLC; backlash 100 "},
     {"Node:5 ERR: BLC<->BLC; errno: -3"}},
    {"BLC3;",
     {"SetBLC(4096,5,3,1,&r)"},
     {"Node:5 SUCCESS: BLC<->BLC3; set backlash 3, backlash 100 "},
     {"Node:5 ERR: BLC<->BLC3; errno: -3"}},
    {"BTR;",
     {"GetBTR(4096,&i)"},
     {"Node:5 SUCCESS: BTR<->BTR; BTR: 500k"},
     {"Node:5 ERR: BTR<->BTR; errno: -3"}},
    {"BTR3;",
     {"SetBTR(4096,3,1,&i)"},
     {"Node:5 SUCCESS: BTR<->BTR3; NewBTR: 250k RtnBTR: 500k "},
     {"Node:5 ERR: BTR<->BTR3; errno: -3"}},
    {"BTR9;",
     {"SetBTR(4096,9,1,&i)"},
     {"Node:5 SUCCESS: BTR<->BTR9; NewBTR: 9 RtnBTR: 500k "},
     {"Node:5 ERR: BTR<->BTR9; errno: -3"}},
    {"CUR1.25;",
     {"SetCUR(4096,5,12,1,&r)"},
     {S("Node:5 SUCCESS: CUR<->CUR1.25; ")},
     {"Node:5 ERR: CUR<->CUR1.25; errno: -3"}},
    {"CUR;", {}, {}, {}},
    {"DOU;",
     {"GetDOUT(4096,5,&r)"},
     {"Node:5 SUCCESS: DOU<->DOU; P4 output 100 "},
     {"Node:5 ERR: DOU<->DOU; errno: -3"}},
    {"DIR1;",
     {"SetDOUT(4096,5,1,1,&r)"},
     {"Node:5 SUCCESS: DOU<->DIR1; set P4 output 1, P4 output 100 "},
     {"Node:5 ERR: DOU<->DIR1; errno: -3"}},
    {"ENA;",
     {"KymENA(4096,5,1,&r)"},
     {S("Node:5 SUCCESS: ENA<->ENA; ")},
     {"Node:5 ERR: ENA<->ENA; errno: -3"}},
    {"ENA5;",
     {"KymAdvENA(4096,5,5,1,&r)"},
     {"Node:5 SUCCESS: ENA<->ENA5; set auto-enable time 5 ms, auto-enable time 100 ms "},
     {"Node:5 ERR: ENA<->ENA5; errno: -3"}},
    {"ENAXFFFF;",
     {"KymGetAdvENA(4096,5,&r)"},
     {"Node:5 SUCCESS: ENAXFFFF<->ENAXFFFF; auto-enable time 100 ms "},
     {"Node:5 ERR: ENAXFFFF<->ENAXFFFF; errno: -3"}},
    {"FBK;", {"KymFBK(4096,5,&r)"}, {S("Node:5 SUCCESS: FBK<->FBK; ")}, {"Node:5 ERR: FBK<->FBK; errno: -3"}},
    {"ICF;",
     {"GetKymICFG(4096,5,&r)"},
     {"Node:5 SUCCESS: ICF<->ICF; 0x00000064"},
     {"Node:5 ERR: ICF<->ICF; errno: -3"}},
    {"ICFX1234;",
     {"SetKymICFG(4096,5,[0x3412],1,&r)"},
     {"Node:5 SUCCESS: ICFX<->ICFX1234; set ICFG 0x3412, returned 0x00000064"},
     {"Node:5 ERR: ICFX<->ICFX1234; errno: -3"}},
    {"ICFX123;", {}, {"Node:5 ERR: ICFX<->ICFX123;"}, {"Node:5 ERR: ICFX<->ICFX123;"}},
    {"ICFX12G4;", {}, {"Node:5 ERR: ICFX<->ICFX12G4;"}, {"Node:5 ERR: ICFX<->ICFX12G4;"}},
    {"MAC;",
     {"GetmACC(4096,5,&r)"},
     {"Node:5 SUCCESS: MAC<->MAC; 加速度 100"},
     {"Node:5 ERR: MAC<->MAC; errno: -3"}},
    {"MAC200;",
     {"SetmACC(4096,5,200,1,&r)"},
     {"Node:5 SUCCESS: MAC<->MAC200; 设置加速度 200 返回加速度 100"},
     {"Node:5 ERR: MAC<->MAC200; errno: -3"}},
    {"MCF;",
     {"GetMDL(4096,5,&r)", "GetKymMCFG(4096,5,&r)"},
     {"Node:5 SUCCESS: MCF; 0x00000064"},
     {"Node:5 ERR: MCF; errno: -3"}},
    {"MCFX1234;",
     {"GetMDL(4096,5,&r)", "SetKymMCFG(4096,5,[0x3412],1,&r)"},
     {"Node:5 SUCCESS: MCFX1234; set MCFG 0x3412, returned 0x00000064"},
     {"Node:5 ERR: MCFX1234; errno: -3"}},
    {"MCFG4660;",
     {"GetMDL(4096,5,&r)", "SetKymMCFG(4096,5,[0x3412],1,&r)"},
     {"Node:5 SUCCESS: MCFG4660; set MCFG 0x3412, returned 0x00000064"},
     {"Node:5 ERR: MCFG4660; errno: -3"}},
    {"MCF74565;",
     {"GetMDL(4096,5,&r)", "SetKymMCFG(4096,5,[0x3412],1,&r)"},  // 74565 = 0x12345
     {"Node:5 SUCCESS: MCF74565; set MCFG 0x3412, returned 0x00000064"},
     {"Node:5 ERR: MCF74565; errno: -3"}},
    {"MCFG5;",
     {"GetMDL(4096,5,&r)", "SetKYDMCFG(4096,5,[0x0],1,&r)"},
     {"Node:5 SUCCESS: MCFG5; set MCFG 0x0000, returned 0x00000064"},
     {"Node:5 ERR: MCFG5; errno: -3"},
     5,
     5,
     IoModule},
    {"MCF;",
     {"GetMDL(4096,5,&r)", "GetKYDMCFG(4096,5,&r)"},
     {"Node:5 SUCCESS: MCF; 0x00000064"},
     {"Node:5 ERR: MCF; errno: -3"},
     5,
     5,
     IoModule},
    {"MCS;", {}, {"Node:5 ERR: MCS; errCmd"}, {"Node:5 ERR: MCS; errCmd"}},
    {"MCS16;",
     {"SetMCS(4096,5,16,1,&r)"},
     {S("Node:5 SUCCESS: MCS16; set microstep 16, 细分返回值 ")},
     {"Node:5 ERR: MCS16; errno: -3"}},
    {"MDE;", {"GetmDEC(4096,5,&r)"}, {"Node:5 SUCCESS: MDE; 减速度 100"}, {"Node:5 ERR: MDE; errno: -3"}},
    {"MDE300;",
     {"SetmDEC(4096,5,300,1,&r)"},
     {"Node:5 SUCCESS: MDE300; 设置减速度 300 返回减速度 100"},
     {"Node:5 ERR: MDE300; errno: -3"}},
    {"MDL7;",
     {"GetMDL(4096,7,&r)"},
     {"Node:-1 SUCCESS: MDL7; 控制器名字 KYM4703 固件版本 1240"},
     {"Node:-1 ERR: MDL7; errno: -3"},
     -1,
     -1},
    {"MDL3;",
     {},
     {"Node:5 ERR: MDL3;, CanNodeID（3）不属于（5，125）"},
     {"Node:5 ERR: MDL3;, CanNodeID（3）不属于（5，125）"}},
    {"MMD;",
     {"GetmMDS(4096,5,&r)"},
     {"Node:5 SUCCESS: MMD; maximum stop speed 100 "},
     {"Node:5 ERR: MMD; errno: -3"}},
    {"MMD9;",
     {"SetmMDS(4096,5,9,1,&r)"},
     {"Node:5 SUCCESS: MMD9; set maximum stop speed 9, maximum stop speed 100 "},
     {"Node:5 ERR: MMD9; errno: -3"}},
    {"MMS;",
     {"GetmMSS(4096,5,&r)"},
     {"Node:5 SUCCESS: MMS; maximum start speed 100 "},
     {"Node:5 ERR: MMS; errno: -3"}},
    {"MMS9;",
     {"SetmMSS(4096,5,9,1,&r)"},
     {"Node:5 SUCCESS: MMS9; set maximum start speed 9, maximum start speed 100 "},
     {"Node:5 ERR: MMS9; errno: -3"}},
    {"OFF;", {"KymOFF(4096,5,1,&r)"}, {S("Node:5 SUCCESS: OFF; ")}, {"Node:5 ERR: OFF; errno: -3"}},
    {"OFF1;", {}, {"Node:5 ERR: OFF1; errCmd"}, {"Node:5 ERR: OFF1; errCmd"}},
    {"ORG;", {"SetORG(4096,5,0,0,null)"}, {"Node:5 SUCCESS: ORG;"}, {"Node:5 ERR: ORG; errno: -3"}},
    {"ORG10;",
     {"SetORG(4096,5,10,1,&r)"},
     {"Node:5 SUCCESS: ORG10; 设置原点位置 10 返回原点位置 100"},
     {"Node:5 ERR: ORG10; errno: -3"}},
    {"POS;", {"GetPOS(4096,5,&r)"}, {"Node:5 SUCCESS: POS; position 100 "}, {"Node:5 ERR: POS; errno: -3"}},
    {"POS-20;",
     {"SetPOS(4096,5,-20,1,&r)"},
     {"Node:5 SUCCESS: POS-20; set position -20, returned position 100 "},
     {"Node:5 ERR: POS-20; errno: -3"}},
    {"QEC;",
     {"GetQEC(4096,5,&r)"},
     {"Node:5 SUCCESS: QEC; encoder position 100 "},
     {"Node:5 ERR: QEC; errno: -3"}},
    {"QEC5;",
     {"SetQEC(4096,5,5,1,&r)"},
     {"Node:5 SUCCESS: QEC5; set encoder position 5, encoder position 100 "},
     {"Node:5 ERR: QEC5; errno: -3"}},
    {"QER;",
     {"GetQER(4096,5,&r)"},
     {"Node:5 SUCCESS: QER; encoder lines 100 "},
     {"Node:5 ERR: QER; errno: -3"}},
    {"QER5;",
     {"SetQER(4096,5,5,1,&r)"},
     {"Node:5 SUCCESS: QER5; set encoder lines 5, encoder lines 100 "},
     {"Node:5 ERR: QER5; errno: -3"}},
    {"QXY;", {}, {"Node:5 ERR: QXY; Cmd not supported"}, {"Node:5 ERR: QXY; Cmd not supported"}},
    {"SCF;",
     {"GetSCFG(4096,5,&r)"},
     {"Node:5 SUCCESS: SCF; (S1FACT: 3 S1RACT: 2 S2FACT: 1 S2RACT: 0 S3FACT: 7 S3RACT: 6 P4LVL:4 P4EVENT: 5 "
      "STLValue: 8 ATCONH: 00000009 ATCONL: 0000000a)"},
     {"Node:5 ERR: SCF; errno: -3"},
     5,
     5,
     Numbered},
    {"SCF4097;",
     {"SetS34CON(4096,5,[0x0,0x1,0x0,0x0,0x0],1,&r)"},
     {"Node:5 SUCCESS: SCF4097; 设置传感器值(S3FACT: 0 S3RACT: 0 P4LVL:0 P4EVENT: 1 STLValue: 0) "
      "返回传感器值(S3FACT: 3 S3RACT: 2 P4LVL:0 P4EVENT: 1 STLValue: 4)"},
     {"Node:5 ERR: SCF4097; errno: -3"},
     5,
     5,
     Numbered},
    {"SCFX12340;",
     {"SetS12CON(4096,5,[0x1,0x2,0x3,0x4],1,&r)"},
     {"Node:5 SUCCESS: SCFX12340; 设置传感器值(S1FACT: 4 S1RACT: 3 S2FACT: 2 S2RACT: 1) "
      "返回传感器值(S1FACT: 3 S1RACT: 2 S2FACT: 1 S2RACT: 0)"},
     {"Node:5 ERR: SCFX12340; errno: -3"},
     5,
     5,
     Numbered},
    {"SCFX12342;",
     {"SetATCONH(4096,5,13330,1,&r)"},
     {"Node:5 SUCCESS: SCFX12342; 设置传感器值(ATCONH: 00003412) 返回传感器值(ATCONH: 00000064)"},
     {"Node:5 ERR: SCFX12342; errno: -3"}},
    {"SCF3;",
     {"SetATCONL(4096,5,0,1,&r)"},
     {"Node:5 SUCCESS: SCF3; 设置传感器值(ATCONL: 00000000) 返回传感器值(ATCONL: 00000064)"},
     {"Node:5 ERR: SCF3; errno: -3"}},
    {"SCF4;", {}, {"Node:5 ERR: SCF4; Cmd not supported"}, {"Node:5 ERR: SCF4; Cmd not supported"}},
    {"SCFXZZ1;", {}, {"Node:5 ERR: SCFXZZ1; errCmd"}, {"Node:5 ERR: SCFXZZ1; errCmd"}},
    {"SCX12345;", {}, {"Node:5 ERR: SCX12345; errCmd"}, {"Node:5 ERR: SCX12345; errCmd"}},
    {"SET9;",
     {"SetADR(4096,5,9)"},
     {"Node:5 SUCCESS: SET<->SET9; oldAdr: 5 newAdr: 9"},
     {"Node:5 ERR: SET<->SET9; errno: -3"}},
    {"SET;", {}, {"Node:5 ERR: SET; errCmd. try SET"}, {"Node:5 ERR: SET; errCmd. try SET"}},
    {"SFBK;",
     {"KymSFBK(4096,5,&r)"},
     {"Node:5 SUCCESS: SFBK; (S1:1,S2:0,S3:1,AnalogInput:2.500000V)"},
     {"Node:5 ERR: SFBK; errno: -3"},
     5,
     5,
     Sensors},
    {"spd = 1000;",
     {"SetSPD(4096,5,1000,1,&r)"},
     {"Node:5 SUCCESS: SPD1000; set speed 1000, speed 100 "},
     {"Node:5 ERR: SPD1000; errno: -3"}},
    {"SPD;", {"GetSPD(4096,5,&r)"}, {"Node:5 SUCCESS: SPD; speed 100 "}, {"Node:5 ERR: SPD; errno: -3"}},
    {"SQT;",
     {"GetSQT(4096,5,&r)"},
     {"Node:5 SUCCESS: SQT; stall setting 100 "},
     {"Node:5 ERR: SQT; errno: -3"}},
    {"SQT2;",
     {"SetSQT(4096,5,2,1,&r)"},
     {"Node:5 SUCCESS: SQT2; set stall setting 2, stall setting 100 "},
     {"Node:5 ERR: SQT2; errno: -3"}},
    {"STG;",
     {"GetSTG(4096,5,&r)"},
     {"Node:5 SUCCESS: STG; debounce times S1 1 S2 0 S3 1 "},
     {"Node:5 ERR: STG; errno: -3"}},
    {"STGX12340A;",
     {"SetSTG(4096,5,[0x1,0x3412,0x0,0x0],0,null)"},
     {"Node:5 SUCCESS: STGX12340A; set debounce time of sensor 1 to 13330, debounce times S1 13330 S2 0 S3 "
      "0 "},
     {"Node:5 ERR: STGX12340A; errno: -3"}},
    {"STGX123402;",
     {"SetSTG(4096,5,[0x3,0x0,0x0,0x3412],0,null)"},
     {"Node:5 SUCCESS: STGX123402; set debounce time of sensor 3 to 13330, debounce times S1 0 S2 0 S3 "
      "13330 "},
     {"Node:5 ERR: STGX123402; errno: -3"}},
    {"STGX123405;",
     {"SetSTG(4096,5,[0x6,0x0,0x0,0x0],0,null)"},
     {"Node:5 ERR: STGX123405; Sensor nor supported",
      "Node:5 SUCCESS: STGX123405; set debounce time of sensor 6 to 0, debounce times S1 0 S2 0 S3 0 "},
     {"Node:5 ERR: STGX123405; Sensor nor supported", "Node:5 ERR: STGX123405; errno: -3"}},
    {"STGX1234033;", {}, {"Node:5 ERR: STGX1234033; errCmd"}, {"Node:5 ERR: STGX1234033; errCmd"}},
    {"STO;", {"KymSTORE(4096,5,1,&r)"}, {"Node:5 SUCCESS: STO; RtnVal: 100"}, {"Node:5 ERR: STO; errno: -3"}},
    {"STO3;",
     {"KymAdvSTORE(4096,5,[0x3],1,&r)"},
     {"Node:5 SUCCESS: STO3; StoreType: 3 RtnVal: 100"},
     {"Node:5 ERR: STO3; errno: -3"}},
    {"STP;",
     {"GetSTP(4096,5,&r)"},
     {"Node:5 SUCCESS: STP; displacement 100 "},
     {"Node:5 ERR: STP; errno: -3"}},
    {"STP500;",
     {"SetSTP(4096,5,500,1,&r)"},
     {"Node:5 SUCCESS: STP500; set displacement 500, returned displacement 100 "},
     {"Node:5 ERR: STP500; errno: -3"}},
    {"_SLEEP5;",
     {},
     {"Node:5 wait 5ms............", "Node:5 SUCCESS: _sleep5ms"},
     {"Node:5 wait 5ms............", "Node:5 SUCCESS: _sleep5ms"}},
    {"_SLEP5;", {}, {"Node:5 ERR: _sleep3;<->_SLEP5;"}, {"Node:5 ERR: _sleep3;<->_SLEP5;"}},
    {"_X;", {}, {}, {}},
    {"XYZ;", {}, {"Node:5 ERR: XYZ; Cmd not supported"}, {"Node:5 ERR: XYZ; Cmd not supported"}},
    {"SPD1234567890123456789012345678;",
     {},
     {"Node:5 ERR: SPD1234567890123456789012345678; Cmd too long"},
     {"Node:5 ERR: SPD1234567890123456789012345678; Cmd too long"}},
    // Node selection: scripts keep the current node, the command box sets it.
    {"SPD100;",
     {},
     {"Node:-1 ERR: SPD100;, CanNodeID（-1）不属于（5，125）"},
     {"Node:-1 ERR: SPD100;, CanNodeID（-1）不属于（5，125）"},
     -1,
     -1},
    {"_SLEEP5;",
     {},
     {"Node:3 ERR: _SLEEP5;, CanNodeID（3）不属于（5，125）"},
     {"Node:3 ERR: _SLEEP5;, CanNodeID（3）不属于（5，125）"},
     200,
     3},
    {"SPD;",
     {"GetSPD(4096,9,&r)"},
     {"Node:9 SUCCESS: SPD; speed 100 "},
     {"Node:9 ERR: SPD; errno: -3"},
     9,
     7},
    // Global commands: node 0, value from the 5th character, range warnings before sending.
    {"GACR150;",
     {"SetgACR(4096,150)"},
     {"Node:0 ERR Para: GACR<->GACR150; Para: 150", "Node:0 SUCCESS: GACR<->GACR150; "},
     {"Node:0 ERR Para: GACR<->GACR150; Para: 150", "Node:0 ERR: GACR<->GACR150; errno: -3"},
     -1,
     -1},
    {"GCUR5;",
     {"SetgCUR(4096)"},
     {"Node:0 SUCCESS: GCUR<->GCUR5; "},
     {"Node:0 ERR: GCUR<->GCUR5; errno: -3"}},
    {"GCUR9;",
     {"SetgCUR(4096)"},
     {"Node:0 ERR Para: GCUR<->GCUR9; Para: 9", "Node:0 SUCCESS: GCUR<->GCUR9; "},
     {"Node:0 ERR Para: GCUR<->GCUR9; Para: 9", "Node:0 ERR: GCUR<->GCUR9; errno: -3"}},
    {"GDOU2;",
     {"SetgDOUT(4096,2)"},
     {"Node:0 ERR Para: GDOU<->GDOU2; Para: 2", "Node:0 SUCCESS: GDOU<->GDOU2; "},
     {"Node:0 ERR Para: GDOU<->GDOU2; Para: 2", "Node:0 ERR: GDOU<->GDOU2; errno: -3"}},
    {"GMCS16;",
     {"SetgMCS(4096,16)"},
     {"Node:0 SUCCESS: GMCS<->GMCS16; "},
     {"Node:0 ERR: GMCS<->GMCS16; errno: -3"}},
    {"GOFF;", {"SetgOFF(4096)"}, {"Node:0 SUCCESS: GOFF<->GOFF; "}, {"Node:0 ERR: GOFF<->GOFF; errno: -3"}},
    {"GORG;", {"SetgORG(4096)"}, {"Node:0 SUCCESS: GORG<->GORG; "}, {"Node:0 ERR: GORG<->GORG; errno: -3"}},
    {"GPOS100;",
     {"SetgPOS(4096,100)"},
     {"Node:0 SUCCESS: GPOS<->GPOS100; "},
     {"Node:0 ERR: GPOS<->GPOS100; errno: -3"}},
    {"GQEC7;",
     {"SetgQEC(4096,7)"},
     {"Node:0 SUCCESS: GQEC<->GQEC7; "},
     {"Node:0 ERR: GQEC<->GQEC7; errno: -3"}},
    {"GSPD300;",
     {"SetgSPD(4096,300)"},
     {"Node:0 SUCCESS: GSPD<->GSPD300; "},
     {"Node:0 ERR: GSPD<->GSPD300; errno: -3"}},
    {"GSTP40;",
     {"SetgSTP(4096,40)"},
     {"Node:0 SUCCESS: GSTP<->GSTP40; "},
     {"Node:0 ERR: GSTP<->GSTP40; errno: -3"}},
    {"GXX;", {}, {"Node:5 ERR: GXX; Cmd not supported"}, {"Node:5 ERR: GXX; Cmd not supported"}},
    {"GREG;",
     {"KymGrobReg(4096,ids,100)"},
     {"Node:7 SUCCESS: GREG<->GREG; site: 5 6 7"},
     {"Node:7 ERR: GREG<->GREG; errno: -3"},
     -1,
     7,
     nullptr,
     3},
};

TEST(InterpreterTest, EachCommandMakesItsCallAndWritesItsLines) {
    InterpreterRig rig;
    for (const Case& c : kCases) {
        for (const bool ok : {true, false}) {
            rig.Reset(ok ? c.okResult : -3, c.start);
            if (c.prepare) c.prepare(rig.sdk.reply);
            rig.interpreter.RunText(c.text, c.nodeArgument);
            EXPECT_EQ(rig.sdk.Calls(), c.calls) << c.text;
            EXPECT_EQ(rig.lines, ok ? c.ok : c.fail) << c.text << (ok ? " (done)" : " (refused)");
        }
    }
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST(InterpreterTest, OnlyAResultOf1IsSuccessAndTextWithoutCommandsIsExplained) {
    InterpreterRig rig;
    for (const int32_t result : {0, -1, 2}) {
        rig.Reset(result, 5);
        rig.interpreter.RunText("SPD;", 0);
        EXPECT_EQ(rig.lines, Lines{"Node:0 ERR: SPD; errno: " + std::to_string(result)});
    }
    rig.Reset(1, 5);
    rig.interpreter.RunText("SPD100", 5);
    EXPECT_EQ(rig.messages.shown, Lines{"[Kestrin] error CMD.no';'"});
    EXPECT_TRUE(rig.sdk.Calls().empty());
    EXPECT_EQ(command::Cut("A;;B;tail"), (Lines{"A;", ";", "B;"}));
}

TEST(InterpreterTest, LanguageTextsThatDoNotFitTheirValuesAreShownUnformatted) {
    InterpreterRig rig;
    rig.english.LoadText("[String]\nIDS_SET_SPD=set %s %n\nIDS_SPD_GET=speed %d %d\n");
    rig.Reset(1, 5);
    rig.interpreter.RunText("SPD7;", 5);
    EXPECT_EQ(rig.lines, Lines{"Not found:5 SUCCESS: SPD7; set %s %nspeed %d %d"});
}

}  // namespace
}  // namespace norvane::bench::test
