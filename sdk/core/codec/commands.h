#pragma once
// Controller command numbers (bits 0-6 of the control word) of both protocol generations, named
// once. The same number means different things in the two generations (22 is gOFF in the second
// and begin-motion in the first), so each generation has its own names.
#include <cstdint>

namespace norvane::sdk::cmd {

/// Bit 7 of the control word: an answer is requested.
constexpr uint8_t kAnswerBit = 0x80;

// ---- second generation (names as the exports and the text dialect spell them) ----
constexpr uint8_t kAck = 0;  ///< status record
constexpr uint8_t kEna = 1;
constexpr uint8_t kOff = 2;
constexpr uint8_t kOrg = 3;
constexpr uint8_t kDout = 4;
constexpr uint8_t kAcr = 6;
constexpr uint8_t kSpd = 7;
constexpr uint8_t kMcs = 8;
constexpr uint8_t kCur = 9;
constexpr uint8_t kStp = 10;
constexpr uint8_t kPos = 11;
constexpr uint8_t kQec = 12;
constexpr uint8_t kErrorReport = 15;  ///< a node's error report; also asked for by GetLastErr
// Node-less broadcasts ("g" commands).
constexpr uint8_t kGOff = 22;
constexpr uint8_t kGOrg = 23;
constexpr uint8_t kGDout = 24;
constexpr uint8_t kGAcr = 26;
constexpr uint8_t kGSpd = 27;
constexpr uint8_t kGMcs = 28;
constexpr uint8_t kGCur = 29;
constexpr uint8_t kGStp = 30;
constexpr uint8_t kGPos = 31;
constexpr uint8_t kGQec = 32;
constexpr uint8_t kMAcc = 42;
constexpr uint8_t kMDec = 43;
constexpr uint8_t kMMss = 44;
constexpr uint8_t kMMds = 45;
constexpr uint8_t kMcfg = 46;
constexpr uint8_t kScfg = 47;
constexpr uint8_t kStg = 48;
constexpr uint8_t kAdr = 51;
constexpr uint8_t kBdr = 52;
constexpr uint8_t kBtr = 53;    ///< bus bit-rate code
constexpr uint8_t kStore = 54;  ///< STORE / STO
constexpr uint8_t kQer = 56;
constexpr uint8_t kSqt = 58;
constexpr uint8_t kBlc = 59;
constexpr uint8_t kFbk = 61;
constexpr uint8_t kStream = 62;  ///< NRD: stream data, sent and pushed by nodes
constexpr uint8_t kSfbk = 63;
constexpr uint8_t kDiscovery = 64;  ///< node discovery broadcast
constexpr uint8_t kMdl = 65;        ///< model record
constexpr uint8_t kBitRate153 = 66;
constexpr uint8_t kIoConfig = 71;
constexpr uint8_t kDvaInfo = 72;
constexpr uint8_t kPmd = 73;
constexpr uint8_t kPmb = 74;
constexpr uint8_t kPbr = 75;
constexpr uint8_t kAvaInfo = 76;  ///< analog channels, answered by two messages
constexpr uint8_t kIoOutput = 77;
constexpr uint8_t kInterruptEnable = 78;
constexpr uint8_t kIcfg = 81;
constexpr uint8_t kOperate = 82;
constexpr uint8_t kDma = 83;
constexpr uint8_t kRpt = 86;
constexpr uint8_t kRpc = 87;
constexpr uint8_t kProtocolSelect = 126;  ///< protocol handshake with the gateway

// ---- first generation ----
namespace first_gen {
constexpr uint8_t kCommunication = 1;
constexpr uint8_t kPowerUpConfig = 6;
constexpr uint8_t kInterruptConfig = 7;
constexpr uint8_t kModel = 11;
constexpr uint8_t kSerialNumber = 12;  ///< also the node and gateway address
constexpr uint8_t kPowerOnTime = 14;
constexpr uint8_t kError = 15;
constexpr uint8_t kMotorParameters = 16;
constexpr uint8_t kRgbLight = 20;
constexpr uint8_t kMotorOn = 21;
constexpr uint8_t kBeginMotion = 22;
constexpr uint8_t kStopMotion = 23;
constexpr uint8_t kMotionFormat = 24;
constexpr uint8_t kAcceleration = 25;
constexpr uint8_t kDeceleration = 26;
constexpr uint8_t kStartingSpeed = 27;
constexpr uint8_t kStopDeceleration = 28;
constexpr uint8_t kJogVelocity = 29;
constexpr uint8_t kPtpSpeed = 30;
constexpr uint8_t kPtpRelativePosition = 31;
constexpr uint8_t kPtpAbsolutePosition = 32;
constexpr uint8_t kOriginPosition = 33;
constexpr uint8_t kPvtParameters = 34;
constexpr uint8_t kPvtStartPoint = 35;
constexpr uint8_t kPvtPointComponent = 37;  ///< 37-40: the four components of a PVT point
constexpr uint8_t kUPvtPoint = 41;
constexpr uint8_t kQPvtPoint = 43;
constexpr uint8_t kLimits = 44;
constexpr uint8_t kBacklash = 45;
constexpr uint8_t kDesiredValues = 46;
constexpr uint8_t kIoConfig = 51;
constexpr uint8_t kSensorAction = 52;
constexpr uint8_t kSensorTrigger = 53;
constexpr uint8_t kAnalogValue = 54;
constexpr uint8_t kDigitalValues = 55;
constexpr uint8_t kTemperature = 58;
constexpr uint8_t kEncoder = 61;
constexpr uint8_t kIoOutputRead = 72;
constexpr uint8_t kInterruptEnable = 78;
constexpr uint8_t kOperation = 81;
constexpr uint8_t kStream = 85;
constexpr uint8_t kSystem = 126;
constexpr uint8_t kFirmwareLine = 127;
}  // namespace first_gen

}  // namespace norvane::sdk::cmd
