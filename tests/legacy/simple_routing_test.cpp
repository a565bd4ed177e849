// The single-request first-generation exports: command number, index, data bytes and answer
// bit of the request each one makes, through a first-generation Ethernet handle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "legacy_gateway_fake.h"
#include "norvane/NorvaneFunc.h"
#include "sdk/api/legacy_firmware_line.h"

using namespace norvane::testing;
using norvane::sdk::GatewaySlot;

namespace {

constexpr uint32_t H = 0x200000;  // first-generation Ethernet, port 0
KymReply g_reply;

struct Case {
    const char* name;
    std::function<int()> call;
    bool set;
    uint8_t controlWord;
    int index;
    std::vector<uint8_t> bytes;
    uint32_t node = 5;
};

int32_t g_words[4];

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"SetComm_CAN_Master",
         [] { return SetComm_CAN_Master(H, 5, 0x1234, 0, nullptr); },
         true,
         0x01,
         5,
         {0x05, 0x34}},
        {"SetComm_CAN_Master ack",
         [] { return SetComm_CAN_Master(H, 5, 2, 1, &g_reply); },
         true,
         0x81,
         5,
         {0x05, 0x02}},
        {"SetComm_CAN_Master ack without record",
         [] { return SetComm_CAN_Master(H, 5, 2, 1, nullptr); },
         true,
         0x01,
         5,
         {0x05, 0x02}},
        {"Comm_Update", [] { return Comm_Update(H, 5, 3, 0, nullptr); }, true, 0x01, 0, {0x00, 0x03}},
        {"SetPP", [] { return SetPP(H, 5, 3, 7, 0, nullptr); }, true, 0x01, 3, {0x03, 0x07}},
        {"GetPP", [] { return GetPP(H, 5, 3, &g_reply); }, false, 0x81, 3, {0x03}},
        {"SetIC", [] { return SetIC(H, 5, 2, 1, 0, nullptr); }, true, 0x06, 2, {0x02, 0x01}},
        {"GetIC", [] { return GetIC(H, 5, 4, &g_reply); }, false, 0x86, 4, {0x04}},
        {"SetCloseLoopControl",
         [] { return SetCloseLoopControl(H, 5, 1, 0, nullptr); },
         true,
         0x06,
         6,
         {0x06, 0x01}},
        {"SetIE", [] { return SetIE(H, 5, 9, 0x1234, 0, nullptr); }, true, 0x07, 9, {0x09, 0x34, 0x12}},
        {"GetIE", [] { return GetIE(H, 5, 9, &g_reply); }, false, 0x87, 9, {0x09}},
        {"GetModelInfo", [] { return GetModelInfo(H, 5, &g_reply); }, false, 0x8B, 0, {}},
        {"GetSerialNumber", [] { return GetSerialNumber(H, 5, &g_reply); }, false, 0x8C, 3, {}},
        {"SetSerialNumber",
         [] { return SetSerialNumber(H, 5, 0x01020304, 0, nullptr); },
         true,
         0x0C,
         2,
         {0x04, 0x03, 0x02, 0x01}},
        {"GetPowerOnTime", [] { return GetPowerOnTime(H, 5, &g_reply); }, false, 0x8E, 0, {}},
        {"ResetPowerOnTime", [] { return ResetPowerOnTime(H, 5, 0, nullptr); }, true, 0x0E, 0, {0, 0, 0, 0}},
        {"SetER", [] { return SetER(H, 5, 3, 0x0102, 0, nullptr); }, true, 0x0F, 3, {0x03, 0x02, 0x01}},
        {"GetER", [] { return GetER(H, 5, 3, &g_reply); }, false, 0x8F, 3, {0x03}},
        {"ClearControlerError",
         [] { return ClearControlerError(H, 5, 2, 0, nullptr); },
         true,
         0x0F,
         2,
         {0x02, 0, 0}},
        {"GetControlerError", [] { return GetControlerError(H, 5, 7, &g_reply); }, false, 0x8F, 17, {0x11}},
        {"SetMT", [] { return SetMT(H, 5, 2, 300, 0, nullptr); }, true, 0x10, 2, {0x02, 0x2C, 0x01}},
        {"GetMT", [] { return GetMT(H, 5, 2, &g_reply); }, false, 0x90, 2, {0x02}},
        {"SetRgb",
         [] { return SetRgb(H, 5, 0x7F123456, 0, nullptr); },
         true,
         0x14,
         0,
         {0x56, 0x34, 0x12, 0x00}},
        {"GetRgb", [] { return GetRgb(H, 5, &g_reply); }, false, 0x94, 0, {}},
        {"SetQickRgb",
         [] {
             static int32_t rgb[3] = {0x11223344, 0x55667788, 0x99};
             return SetQickRgb(H, 5, rgb, 0, nullptr);
         },
         true,
         0x14,
         1,
         {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x99}},
        {"SetMotorOn", [] { return SetMotorOn(H, 5, 1, 0, nullptr); }, true, 0x15, 0, {0x01, 0, 0, 0}},
        {"GetMotorOn", [] { return GetMotorOn(H, 5, &g_reply); }, false, 0x95, 0, {}},
        {"BeginMotion", [] { return BeginMotion(H, 5, 0, nullptr); }, true, 0x16, 0, {}},
        {"StopMotion", [] { return StopMotion(H, 5, 1, &g_reply); }, true, 0x97, 0, {}},
        {"SetMotionFormatSwitch",
         [] { return SetMotionFormatSwitch(H, 5, 0x10203, 0, nullptr); },
         true,
         0x18,
         0,
         {0x03, 0x02}},
        {"SetAcceleration",
         [] { return SetAcceleration(H, 5, 1000, 0, nullptr); },
         true,
         0x19,
         0,
         {0xE8, 0x03, 0, 0}},
        {"GetAcceleration", [] { return GetAcceleration(H, 5, &g_reply); }, false, 0x99, 0, {}},
        {"SetDeceleration",
         [] { return SetDeceleration(H, 5, 2, 0, nullptr); },
         true,
         0x1A,
         0,
         {0x02, 0, 0, 0}},
        {"GetDeceleration", [] { return GetDeceleration(H, 5, &g_reply); }, false, 0x9A, 0, {}},
        {"SetStartingSpeed",
         [] { return SetStartingSpeed(H, 5, 3, 0, nullptr); },
         true,
         0x1B,
         0,
         {0x03, 0, 0, 0}},
        {"GetStartingSpeed", [] { return GetStartingSpeed(H, 5, &g_reply); }, false, 0x9B, 0, {}},
        {"SetServoPreAction", [] { return SetServoPreAction(H, 5, 0, nullptr); }, true, 0x1B, 0, {}},
        {"SetStopDeceleration",
         [] { return SetStopDeceleration(H, 5, 4, 0, nullptr); },
         true,
         0x1C,
         0,
         {0x04, 0, 0, 0}},
        {"GetStopDeceleration", [] { return GetStopDeceleration(H, 5, &g_reply); }, false, 0x9C, 0, {}},
        {"SetJogVelocity",
         [] { return SetJogVelocity(H, 5, -2, 0, nullptr); },
         true,
         0x1D,
         0,
         {0xFE, 0xFF, 0xFF, 0xFF}},
        {"GetJogVelocity", [] { return GetJogVelocity(H, 5, &g_reply); }, false, 0x9D, 0, {}},
        {"SetPTPSpeed",
         [] { return SetPTPSpeed(H, 5, 0x100, 0, nullptr); },
         true,
         0x1E,
         0,
         {0x00, 0x01, 0, 0}},
        {"GetPTPSpeed", [] { return GetPTPSpeed(H, 5, &g_reply); }, false, 0x9E, 0, {}},
        {"SetPTPRelativePosition",
         [] { return SetPTPRelativePosition(H, 5, 7, 0, nullptr); },
         true,
         0x1F,
         0,
         {0x07, 0, 0, 0}},
        {"GetPTPRelativePosition", [] { return GetPTPRelativePosition(H, 5, &g_reply); }, false, 0x9F, 0, {}},
        {"SetPTPAbsolutePosition",
         [] { return SetPTPAbsolutePosition(H, 5, 8, 0, nullptr); },
         true,
         0x20,
         0,
         {0x08, 0, 0, 0}},
        {"GetPTPAbsolutePosition", [] { return GetPTPAbsolutePosition(H, 5, &g_reply); }, false, 0xA0, 0, {}},
        {"SetOriginPosition",
         [] { return SetOriginPosition(H, 5, 9, 0, nullptr); },
         true,
         0x21,
         0,
         {0x09, 0, 0, 0}},
        {"SetMotionMode",
         [] { return SetMotionMode(H, 5, 2, 0, nullptr); },
         true,
         0x22,
         3,
         {0x03, 0x02, 0x00}},
        {"GetMotionMode", [] { return GetMotionMode(H, 5, &g_reply); }, false, 0xA2, 3, {0x03}},
        {"SetMPIOConfig",
         [] { return SetMPIOConfig(H, 5, 0x0102, 0, nullptr); },
         true,
         0x22,
         7,
         {0x07, 0x02, 0x01}},
        {"GetMPIOConfig", [] { return GetMPIOConfig(H, 5, &g_reply); }, false, 0xA2, 7, {0x07}},
        {"SetPVTFeedForwardFactor",
         [] { return SetPVTFeedForwardFactor(H, 5, 1, 0, nullptr); },
         true,
         0x22,
         8,
         {0x08, 0x01, 0x00}},
        {"GetPVTFeedForwardFactor",
         [] { return GetPVTFeedForwardFactor(H, 5, &g_reply); },
         false,
         0xA2,
         8,
         {0x08}},
        {"SetPVTDeadGap",
         [] { return SetPVTDeadGap(H, 5, 1, 0, nullptr); },
         true,
         0x22,
         9,
         {0x09, 0x01, 0x00}},
        {"GetPVTDeadGap", [] { return GetPVTDeadGap(H, 5, &g_reply); }, false, 0xA2, 9, {0x09}},
        {"GetPVTNextPosition", [] { return GetPVTNextPosition(H, 5, &g_reply); }, false, 0xA2, 6, {0x06}},
        {"SetPVTPara",
         [] { return SetPVTPara(H, 5, 4, 0x0506, 0, nullptr); },
         true,
         0x22,
         4,
         {0x04, 0x06, 0x05}},
        {"SetPVTPara index 127",
         [] { return SetPVTPara(H, 5, 127, 0x0506, 0, nullptr); },
         true,
         0x22,
         127,
         {0, 0}},
        {"GetPVTPara", [] { return GetPVTPara(H, 5, 4, &g_reply); }, false, 0xA2, 4, {0x04}},
        {"SetPVTStartPoint",
         [] { return SetPVTStartPoint(H, 5, 0x0A0B, 0, nullptr); },
         true,
         0x23,
         0,
         {0x0B, 0x0A, 0, 0}},
        {"GetPVTCurrPoint", [] { return GetPVTCurrPoint(H, 5, &g_reply); }, false, 0xA3, 0, {}},
        {"SetQPVTPoint",
         [] {
             static int32_t q[3] = {0x030201, 0x070605, 0x08};
             return SetQPVTPoint(H, 5, 4, q, 0, nullptr);
         },
         true,
         0x2B,
         4,
         {0x04, 0x01, 0x02, 0x03, 0x05, 0x06, 0x07, 0x08}},
        {"SetLimit",
         [] { return SetLimit(H, 5, 2, 0x01020304, 0, nullptr); },
         true,
         0x2C,
         2,
         {0x02, 0x04, 0x03, 0x02, 0x01}},
        {"GetLimit", [] { return GetLimit(H, 5, 2, &g_reply); }, false, 0xAC, 2, {0x02}},
        {"SetPositionErrorLimit",
         [] { return SetPositionErrorLimit(H, 5, 100, 0, nullptr); },
         true,
         0x2C,
         6,
         {0x06, 0x64, 0, 0, 0}},
        {"GetPositionErrorLimit",
         [] { return GetPositionErrorLimit(H, 5, &g_reply); },
         false,
         0xAC,
         6,
         {0x06}},
        {"SetBacklashComp",
         [] { return SetBacklashComp(H, 5, 9, 0, nullptr); },
         true,
         0x2D,
         0,
         {0x09, 0, 0, 0}},
        {"GetBacklashComp", [] { return GetBacklashComp(H, 5, &g_reply); }, false, 0xAD, 0, {}},
        {"GetmMDS", [] { return GetmMDS(H, 5, &g_reply); }, false, 0xAD, 0, {}},
        {"GetDesiredValues", [] { return GetDesiredValues(H, 5, 2, &g_reply); }, false, 0xAE, 2, {0x02}},
        {"GetTemperatureLimit", [] { return GetTemperatureLimit(H, 5, &g_reply); }, false, 0xAE, 5, {0x05}},
        {"SetIOConfig",
         [] { return SetIOConfig(H, 5, 1, 0x0203, 0, nullptr); },
         true,
         0x33,
         1,
         {0x01, 0x03, 0x02}},
        {"GetIOConfig", [] { return GetIOConfig(H, 5, 1, &g_reply); }, false, 0xB3, 1, {0x01}},
        {"SetSensorActionCfg",
         [] { return SetSensorActionCfg(H, 5, 2, 1, 0, nullptr); },
         true,
         0x34,
         2,
         {0x02, 0x01, 0x00}},
        {"GetSensorActionCfg", [] { return GetSensorActionCfg(H, 5, 2, &g_reply); }, false, 0xB4, 2, {0x02}},
        {"SetSensorTriggerCfg",
         [] { return SetSensorTriggerCfg(H, 5, 3, 1, 0, nullptr); },
         true,
         0x35,
         3,
         {0x03, 0x01, 0x00}},
        {"GetSensorTriggerCfg",
         [] { return GetSensorTriggerCfg(H, 5, 3, &g_reply); },
         false,
         0xB5,
         3,
         {0x03}},
        {"GetAnalogValue", [] { return GetAnalogValue(H, 5, 3, &g_reply); }, false, 0xB6, 3, {0x03}},
        {"SetDigitalValue",
         [] {
             g_words[0] = 0x030201;
             return SetDigitalValue(H, 5, g_words, 0, nullptr);
         },
         true,
         0x37,
         0,
         {0x01, 0x02}},
        {"GetDigitalValue", [] { return GetDigitalValue(H, 5, &g_reply); }, false, 0xB7, 0, {}},
        {"SetServoDigitalValue",
         [] {
             g_words[0] = 0x030201;
             return SetServoDigitalValue(H, 5, g_words, 0, nullptr);
         },
         true,
         0x37,
         2,
         {0x01, 0x02}},
        {"GetServoDigitalValue", [] { return GetServoDigitalValue(H, 5, &g_reply); }, false, 0xB7, 2, {}},
        {"SetIOOutput",
         [] {
             g_words[0] = 0x04030201;
             return SetIOOutput(H, 5, g_words, 0, nullptr);
         },
         true,
         0x37,
         1,
         {0x01, 0x02, 0x03, 0x04}},
        {"GetIOOutput", [] { return GetIOOutput(H, 5, &g_reply); }, false, 0xB7, 1, {}},
        {"SetGWIOOutput",
         [] {
             g_words[0] = 0x04030201;
             return SetGWIOOutput(H, g_words, 0, nullptr);
         },
         true,
         0x37,
         1,
         {0x01, 0x02, 0x03, 0x04},
         1},
        {"SetTemperatureLimit",
         [] { return SetTemperatureLimit(H, 5, 80, 0, nullptr); },
         true,
         0x3A,
         0,
         {0x50, 0, 0, 0}},
        {"GetSQT", [] { return GetSQT(H, 5, &g_reply); }, false, 0xBA, 0, {}},
        {"GetCurrTemperature", [] { return GetCurrTemperature(H, 5, &g_reply); }, false, 0xBA, 0, {}},
        {"SetEncoderType",
         [] { return SetEncoderType(H, 5, 1, 0, nullptr); },
         true,
         0x3D,
         2,
         {0x02, 0x01, 0x00}},
        {"GetEncoderType", [] { return GetEncoderType(H, 5, &g_reply); }, false, 0xBD, 2, {0x02}},
        {"GetBatteryStatus", [] { return GetBatteryStatus(H, 5, &g_reply); }, false, 0xBD, 3, {0x03}},
        {"SetQES", [] { return SetQES(H, 5, 4, 0x10, 0, nullptr); }, true, 0x3D, 4, {0x04, 0x10, 0x00}},
        {"GetQES", [] { return GetQES(H, 5, 4, &g_reply); }, false, 0xBD, 4, {0x04}},
        {"SetSystemCommand",
         [] { return SetSystemCommand(H, 5, 0x0102, 0, nullptr); },
         true,
         0x7E,
         0,
         {0x02, 0x01}},
        {"GetSystemCommand", [] { return GetSystemCommand(H, 5, &g_reply); }, false, 0xFE, 0, {}},
        {"KYMSetSystemType",
         [] { return KYMSetSystemType(H, 5, 3, 1, &g_reply); },
         true,
         0xFE,
         0,
         {0x03, 0x00}},
        {"KYMGetSystemType", [] { return KYMGetSystemType(H, 5, &g_reply); }, false, 0xFE, 0, {}},
        {"SetSY", [] { return SetSY(H, 5, 3, 1, 0, nullptr); }, true, 0x7E, 3, {0x01, 0x00}},
        {"GetSY", [] { return GetSY(H, 5, 3, &g_reply); }, false, 0xFE, 3, {}},
        {"Set8143NRD",
         [] {
             static uint32_t nrd[3] = {3, 0x00CCBBAA, 0};
             return Set8143NRD(H, 5, nrd, 0, nullptr);
         },
         true,
         0x55,
         0,
         {0xAA, 0xBB, 0xCC}},
        {"SetLightFlash", [] { return SetLightFlash(H, 5, 3, 0); }, true, 0x0C, 1, {0xFE, 0x03, 0, 0, 0}},
        {"SetLightFlash ack", [] { return SetLightFlash(H, 5, 3, 1); }, true, 0x8C, 1, {0xFE, 0x03, 0, 0, 0}},
        {"Set_ADR",
         [] {
             static int32_t adr[2] = {5, 9};
             return Set_ADR(H, 5, adr);
         },
         true,
         0x8C,
         1,
         {0x09, 0, 0, 0, 0}},
        {"Set_GatewayADR",
         [] {
             static int32_t adr[2] = {1, 3};
             return Set_GatewayADR(H, 1, adr);
         },
         true,
         0x8C,
         1,
         {0x03, 0, 0, 0, 0},
         1},
        {"UpdateFirmwareLine",
         [] { return UpdateFirmwareLine(H, 5, "ZFx0102", 0, nullptr); },
         true,
         0x7F,
         0,
         {0x01, 0x02}},
        {"UpdateFirmwareLine with line end",
         [] { return UpdateFirmwareLine(H, 5, "ZFxA0B1c2\r\n", 1, &g_reply); },
         true,
         0xFF,
         0,
         {0xA0, 0xB1, 0xC2}},
        {"OPR_UFQStart", [] { return OPR_UFQStart(H, 5, 0, nullptr); }, true, 0x51, 0, {0x02, 0x01}},
        {"OPR_UFQShutDown", [] { return OPR_UFQShutDown(H, 5, 0, nullptr); }, true, 0x51, 0, {0x02, 0x02}},
        {"OPR_UFQHome", [] { return OPR_UFQHome(H, 5, 0, nullptr); }, true, 0x51, 0, {0x02, 0x03}},
        {"OPR_UFQFreez", [] { return OPR_UFQFreez(H, 5, 1, &g_reply); }, true, 0xD1, 0, {0x02, 0x04}},
        {"OPR_UFQGetODO", [] { return OPR_UFQGetODO(H, 5, 1, &g_reply); }, true, 0xD1, 0, {0x02, 0x05}},
        {"OPR_UFQGetErr", [] { return OPR_UFQGetErr(H, 5, 1, &g_reply); }, true, 0xD1, 0, {0x02, 0x06}},
        {"OPR_UFQSetNodeID 0",
         [] { return OPR_UFQSetNodeID(H, 5, 0, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x07, 0x00}},
        {"OPR_UFQSetNodeID 80",
         [] { return OPR_UFQSetNodeID(H, 5, 80, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x07, 0x50}},
        {"OPR_UFQSetGroupID",
         [] { return OPR_UFQSetGroupID(H, 5, 125, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x08, 0x7D}},
        {"OPR_UFQGetGroupID",
         [] { return OPR_UFQGetGroupID(H, 5, 1, &g_reply); },
         true,
         0xD1,
         0,
         {0x02, 0x08}},
        {"OPR_UFQSetPVTWarn",
         [] { return OPR_UFQSetPVTWarn(H, 5, 3, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x09, 0x03}},
        {"OPR_UFQSetBrake",
         [] { return OPR_UFQSetBrake(H, 5, 1, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x0D, 0x44, 0x55, 0x01}},
        {"OPR_UFQSetMode",
         [] { return OPR_UFQSetMode(H, 5, 4, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x00, 0x04}},
        {"OPR_SystemCommand",
         [] { return OPR_SystemCommand(H, 5, 9, 0, nullptr); },
         true,
         0x51,
         0,
         {0x00, 0x09}},
        {"OPR_SystemSetCurrent",
         [] { return OPR_SystemSetCurrent(H, 5, 12, 0, nullptr); },
         true,
         0x51,
         0,
         {0x00, 0x1C, 0x0C}},
        {"OPR_SystemGetCurrent",
         [] { return OPR_SystemGetCurrent(H, 5, 0, 1, &g_reply); },
         true,
         0xD1,
         0,
         {0x00, 0x1C, 0x00}},
        {"OPR_SystemCheck",
         [] { return OPR_SystemCheck(H, 5, 1, 0, nullptr); },
         true,
         0x51,
         0,
         {0x00, 0x1F, 0x01}},
        {"OPR_SystemShutDown",
         [] { return OPR_SystemShutDown(H, 5, 0x0102, 0, nullptr); },
         true,
         0x51,
         0,
         {0x00, 0x20, 0x02, 0x01}},
        {"OPR_ServoSetValue",
         [] { return OPR_ServoSetValue(H, 5, 0x0102, 0x0A0B0C0D, 0, nullptr); },
         true,
         0x51,
         0,
         {0x03, 0x01, 0x02, 0x01, 0x0D, 0x0C, 0x0B, 0x0A}},
        {"OPR_ServoWriteEEP",
         [] { return OPR_ServoWriteEEP(H, 5, 0, nullptr); },
         true,
         0x51,
         0,
         {0x03, 0x02}},
        {"OPR_ServoAuthorization",
         [] { return OPR_ServoAuthorization(H, 5, 1, 0, nullptr); },
         true,
         0x51,
         0,
         {0x03, 0x03, 0x01}},
        {"OPR_ResetCommand",
         [] { return OPR_ResetCommand(H, 5, 7, 0, nullptr); },
         true,
         0x51,
         0,
         {0x02, 0x0C, 0x07}},
        {"OPR_Operate",
         [] {
             static uint32_t block[4] = {0x0000'0A01, 2, 0x0000'2211, 0};
             return OPR_Operate(H, 5, block, 0, nullptr);
         },
         true,
         0x51,
         0,
         {0x01, 0x0A, 0x11, 0x22}},
    };
    return cases;
}

}  // namespace

TEST(LegacyRouting, EachSimpleExportSendsOneRequest) {
    RegistryScope scope;
    auto gateway = scope.Install(GatewaySlot::LegacyEthernet);
    for (const Case& c : Cases()) {
        gateway->Clear();
        EXPECT_EQ(c.call(), 1) << c.name;
        const auto sent = gateway->Requests();
        ASSERT_EQ(sent.size(), 1u) << c.name;
        EXPECT_EQ(sent[0].set, c.set) << c.name;
        EXPECT_EQ(sent[0].handle, H) << c.name;
        EXPECT_EQ(sent[0].node, c.node) << c.name;
        EXPECT_EQ(sent[0].controlWord, c.controlWord) << c.name;
        EXPECT_EQ(sent[0].index, c.index) << c.name;
        EXPECT_EQ(sent[0].bytes, c.bytes) << c.name;
        EXPECT_EQ(sent[0].withAnswer, (c.controlWord & 0x80) != 0) << c.name;
    }
}

TEST(LegacyRouting, RejectedArgumentsSendNothing) {
    RegistryScope scope;
    auto gateway = scope.Install(GatewaySlot::LegacyEthernet);
    scope.Install(GatewaySlot::Serial);
    int32_t sameAddress[2] = {9, 9};
    int32_t lowAddress[2] = {9, 4};
    int32_t highAddress[2] = {9, 128};
    int32_t gatewayAddress[2] = {1, 6};
    uint32_t emptyNrd[3] = {0, 0x11, 0};
    int32_t badEncoder[2] = {4, 500};
    int32_t badEncoderLines[2] = {16001, 500};
    int32_t badEncoderSpeed[2] = {1000, 199};
    int32_t badPvt[4] = {20, 10, 0, 0};
    int32_t point[4] = {};
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"SetComm_RS232 on kind 1", [] { return SetComm_RS232(0x100, 5, 1, 0, nullptr); }},
        {"GetComm_RS232 on kind 8192", [] { return GetComm_RS232(H, 5, &g_reply); }},
        {"GetControlerError 8", [] { return GetControlerError(H, 5, 8, &g_reply); }},
        {"GetControlerError -1", [] { return GetControlerError(H, 5, -1, &g_reply); }},
        {"Set_ADR same", [&] { return Set_ADR(H, 5, sameAddress); }},
        {"Set_ADR 4", [&] { return Set_ADR(H, 5, lowAddress); }},
        {"Set_ADR 128", [&] { return Set_ADR(H, 5, highAddress); }},
        {"Set_ADR null", [] { return Set_ADR(H, 5, nullptr); }},
        {"Set_GatewayADR 6", [&] { return Set_GatewayADR(H, 1, gatewayAddress); }},
        {"Set8143NRD count 0", [&] { return Set8143NRD(H, 5, emptyNrd, 0, nullptr); }},
        {"Set8143NRD null", [] { return Set8143NRD(H, 5, nullptr, 0, nullptr); }},
        {"SetEncoderCfg 4", [&] { return SetEncoderCfg(H, 5, badEncoder, 0, nullptr); }},
        {"SetEncoderCfg 16001", [&] { return SetEncoderCfg(H, 5, badEncoderLines, 0, nullptr); }},
        {"SetEncoderCfg 199", [&] { return SetEncoderCfg(H, 5, badEncoderSpeed, 0, nullptr); }},
        {"GetEncoderCfg null", [] { return GetEncoderCfg(H, 5, nullptr); }},
        {"SetPVTMotionPara order", [&] { return SetPVTMotionPara(H, 5, badPvt, 0, nullptr); }},
        {"SetPVTPoint 256", [&] { return SetPVTPoint(H, 5, 256, point, 0, nullptr); }},
        {"SetUPVTPoint -1", [&] { return SetUPVTPoint(H, 5, -1, point, 0, nullptr); }},
        {"SetMotorPara null", [] { return SetMotorPara(H, 5, nullptr, 0, nullptr); }},
        {"OPR_UFQSetNodeID 81", [] { return OPR_UFQSetNodeID(H, 5, 81, 0, nullptr); }},
        {"OPR_UFQSetNodeID 4", [] { return OPR_UFQSetNodeID(H, 5, 4, 0, nullptr); }},
        {"OPR_UFQSetGroupID 80", [] { return OPR_UFQSetGroupID(H, 5, 80, 0, nullptr); }},
        {"OPR_UFQSetGroupID 126", [] { return OPR_UFQSetGroupID(H, 5, 126, 0, nullptr); }},
        {"OPR_UFQSetBrake node 0", [] { return OPR_UFQSetBrake(H, 0, 1, 0, nullptr); }},
        {"OPR_SystemCheck 2", [] { return OPR_SystemCheck(H, 5, 2, 0, nullptr); }},
        {"OPR_ServoAuthorization 2", [] { return OPR_ServoAuthorization(H, 5, 2, 0, nullptr); }},
        {"Kym8143Send 0",
         [] {
             const uint8_t b[1] = {1};
             return Kym8143Send(H, 5, b, 0);
         }},
        {"Kym8143Send null", [] { return Kym8143Send(H, 5, nullptr, 4); }},
        {"Kym8143Recv kind 8192",
         [] {
             uint8_t b[4];
             return Kym8143Recv(H, 5, b, 4);
         }},
        {"SetInterruptEnable kind 8192", [] { return SetInterruptEnable(H, 5, nullptr, 0, nullptr); }},
        {"SendFloatballCmd kind 8192", [] { return SendFloatballCmd(H, nullptr, nullptr, 0, nullptr); }},
    };
    for (const auto& [name, call] : calls) EXPECT_EQ(call(), -1) << name;
    EXPECT_EQ(Comm_Update(H, 5, 4, 0, nullptr), 0);
    EXPECT_EQ(Comm_Update(H, 5, -1, 0, nullptr), 0);
    EXPECT_EQ(GetMoveLimitCfg(H, 5, nullptr), 0);
    EXPECT_EQ(UpdateFirmwareLine(H, 5, nullptr, 0, nullptr), 0);
    EXPECT_EQ(UpdateFirmwareLine(H, 5, "zfx0102", 0, nullptr), 0);
    EXPECT_EQ(UpdateFirmwareLine(H, 5, "0102", 0, nullptr), 0);
    EXPECT_EQ(UpdateFirmwareLine(H, 5, ":99999999999", 0, nullptr), 0);
    EXPECT_TRUE(gateway->Requests().empty());
}

TEST(LegacyRouting, UfqModeNarrowsAddresses) {
    RegistryScope scope;
    auto gateway = scope.Install(GatewaySlot::LegacyEthernet);
    SetNorvaneSDKUFQ(1);
    int32_t to81[2] = {5, 81};
    int32_t to0[2] = {5, 0};
    int32_t slave[4] = {0, 1, 80, 0};
    EXPECT_EQ(Set_ADR(H, 5, to81), -1);
    EXPECT_EQ(SetComm_CAN_Slave(H, 5, slave, 0, nullptr), -1);
    EXPECT_TRUE(gateway->Requests().empty());
    EXPECT_EQ(Set_ADR(H, 5, to0), 1);
    slave[2] = 81;
    EXPECT_EQ(SetComm_CAN_Slave(H, 5, slave, 0, nullptr), 1);
    SetNorvaneSDKUFQ(0);
    EXPECT_EQ(Set_ADR(H, 5, to0), -1);
    EXPECT_EQ(gateway->Requests().size(), 4u);
}

TEST(LegacyRouting, FirmwarePauseLine) {
    RegistryScope scope;
    auto gateway = scope.Install(GatewaySlot::LegacyEthernet);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(UpdateFirmwareLine(H, 5, ":250", 0, nullptr), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    const auto second = std::chrono::steady_clock::now();
    EXPECT_EQ(UpdateFirmwareLine(H, 5, ":0", 0, nullptr), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - second, std::chrono::milliseconds(50));
    EXPECT_TRUE(gateway->Requests().empty());
}

TEST(LegacyFirmwareLine, ParsesPausesAndDataLines) {
    using norvane::sdk::legacy::FirmwareLineKind;
    using norvane::sdk::legacy::ParseFirmwareLine;
    struct LineCase {
        const char* text;
        FirmwareLineKind kind;
        uint32_t pauseMs;
        const char* hex;
    };
    const LineCase cases[] = {
        {":250", FirmwareLineKind::Pause, 250, ""},
        {":0", FirmwareLineKind::Pause, 50, ""},
        {":-7", FirmwareLineKind::Pause, 50, ""},
        {":", FirmwareLineKind::Pause, 50, ""},
        {": 12abc", FirmwareLineKind::Pause, 12, ""},
        {":60000", FirmwareLineKind::Pause, 60000, ""},
        {":60001", FirmwareLineKind::Invalid, 0, ""},
        {":99999999999999999999999", FirmwareLineKind::Invalid, 0, ""},
        {"ZFx0102", FirmwareLineKind::Data, 0, "0102"},
        {"ZFx0102\r\n", FirmwareLineKind::Data, 0, "0102"},
        {"ZFx0123456789ABCDEF99", FirmwareLineKind::Data, 0, "0123456789ABCDEF"},
        {"ZFx", FirmwareLineKind::Data, 0, ""},
        {"ZF", FirmwareLineKind::Invalid, 0, ""},
        {"zFx01", FirmwareLineKind::Invalid, 0, ""},
        {"", FirmwareLineKind::Invalid, 0, ""},
    };
    for (const LineCase& c : cases) {
        const auto parsed = ParseFirmwareLine(c.text, std::strlen(c.text));
        EXPECT_EQ(parsed.kind, c.kind) << c.text;
        EXPECT_EQ(parsed.pauseMs, c.pauseMs) << c.text;
        EXPECT_STREQ(parsed.hex, c.hex) << c.text;
    }
    // The length bounds the read even without a NUL.
    const char unterminated[5] = {'Z', 'F', 'x', '0', '1'};
    EXPECT_STREQ(ParseFirmwareLine(unterminated, 4).hex, "0");
}
