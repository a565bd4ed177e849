#pragma once
// Register set of a second-generation motor controller, its EEPROM image, and the byte layouts of
// the answers built from it (status record, sensor configuration block, sensor times).
// Pure data and functions: no locks, no I/O.
#include <cstdint>

namespace norvane::sim::nodes {

/// MCFG bits the device acts on.
enum McfgBit : uint16_t {
    kMcfgS1Notice = 1u << 0,
    kMcfgS2Notice = 1u << 1,
    kMcfgS3Notice = 1u << 2,
    kMcfgP4Notice = 1u << 3,
    kMcfgMoveNotice = 1u << 4,
    kMcfgOriginNotice = 1u << 5,
    kMcfgStallNotice = 1u << 6,
    kMcfgClosedLoop = 1u << 11,
};

/// ICFG bits the device acts on (bits 14-15 carry the model code and are read-only).
enum IcfgBit : uint16_t {
    kIcfgAutoEnable = 1u << 0,
    kIcfgProgram = 1u << 2,
    kIcfgLock = 1u << 3,
    kIcfgSensorOff1 = 1u << 4,  ///< S1 disabled at power-on; S2, S3 follow in bits 5, 6
    kIcfgModelMask = 0xC000,
};

/// A motion parameter group (one EEPROM slot): speed, relative displacement, acc, dec, mss, mds.
struct MotionGroup {
    int32_t speed = 0;
    int32_t steps = 0;
    uint32_t acc = 0;
    uint32_t dec = 0;
    uint16_t mss = 0;
    uint16_t mds = 0;
};

/// Configuration registers that STORE keeps in EEPROM.
struct ControllerConfig {
    uint8_t mcs = 16;  ///< microsteps, 1/2/4/8/16
    uint8_t cur = 10;  ///< phase current in 0.1 A
    uint8_t acr = 0;   ///< standby current: 0 off, 1 halved, 2-100 percent
    uint16_t mcfg = 0;
    uint16_t s12con = 0;  ///< S2 rising << 12 | S2 falling << 8 | S1 rising << 4 | S1 falling
    uint16_t s34con = 0;  ///< stall << 12 | P4 level << 11 | P4 event << 8 | S3 rising << 4 | S3 falling
    uint16_t atconl = 0;
    uint16_t atconh = 4095;
    uint16_t stg[3] = {};  ///< sensor hold-off times S1..S3 in ms (60001 = trigger once)
    uint16_t qer = 1000;   ///< encoder lines
    uint16_t sqt = 200;    ///< stall threshold
    uint16_t blc = 0;      ///< backlash
    uint16_t icfg = 0;
    uint16_t autoEnableMs = 0;
    uint16_t ioConfig = 0;
    uint32_t dva = 0, pmd = 0, pmb = 0, pbr = 1;
    uint32_t rpt = 0, rpc = 0, reg77 = 0, btr153 = 0;
    int32_t originSpeed = -1000;
    uint16_t interruptEnable = 0;
};

constexpr int kEepromSlots = 8;  ///< 0 system, 1 stall, 2..7 S1 rising .. S3 falling

struct ControllerEeprom {
    ControllerConfig config;
    MotionGroup slots[kEepromSlots];
};

/// Fields of the status record (answers of commands 0, 1, 2, 8, 9, 51, 61).
struct StatusFields {
    bool enabled = false;
    bool reverse = false;  ///< direction flag, d1 bit 3
    uint8_t acr = 0;
    uint8_t mcs = 16;
    uint8_t cur = 0;
    int32_t speed = 0;
    int32_t steps = 0;
};

/// d0 = (MCS - 1) | CUR low 4 bits << 4; d1 = CUR bits 4-6 | DIR << 3 | ENA << 4 | (ACR != 0) << 5;
/// d2-d3 speed (low 16 bits); d4-d7 STP.
void EncodeStatus(const StatusFields& s, uint8_t out[8]);

/// Sensor configuration block: d0-d1 S12CON, d2-d3 S34CON, d4-d5 ATCONL, d6-d7 ATCONH.
void EncodeSensorBlock(const ControllerConfig& c, uint8_t out[8]);
/// Applies one register of the block (index 0 S12CON, 1 S34CON, 2 ATCONL, 3 ATCONH) from d0, d1.
/// Returns false for another index or a threshold above 4095.
bool ApplySensorRegister(ControllerConfig& c, uint8_t d0, uint8_t d1, uint8_t index);

/// Sensor times: d0-d1 S1, d2-d3 S2, d4-d5 S3.
void EncodeSensorTimes(const ControllerConfig& c, uint8_t out[6]);

/// 4-bit action code of a sensor edge (sensor 1..3) and of a stall.
uint8_t EdgeAction(const ControllerConfig& c, int sensor, bool rising);
uint8_t StallAction(const ControllerConfig& c);
/// EEPROM slot bound to a sensor edge (2..7).
int EdgeSlot(int sensor, bool rising);

bool ValidMicrostep(uint32_t mcs);

}  // namespace norvane::sim::nodes
