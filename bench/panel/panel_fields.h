#pragma once
// The input and display fields of the control panel as texts, and the pure rules for them: the
// text check of the motion fields, the field exchange with its ranges, and the conversions of
// current, standby percentage and microstep. The view copies its widgets' texts in before a
// command and shows them again afterwards; commands read and write only this record.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::bench {

struct PanelFields {
    // per-node motion fields and the actual values the queries and the monitor show
    std::string speed, displacement, position, encoder;
    std::string actualSpeed, actualDisplacement, actualPosition, actualEncoder;
    // global panel
    std::string globalSpeed, globalDisplacement, globalPosition, globalEncoder, globalCurrent;
    int globalMicrostep = -1;  ///< radio 0..4 for 1, 2, 4, 8, 16; -1 when none is chosen
    int globalHalving = 0;     ///< 0 normal, 1 half
    int globalTtl = 0;         ///< 0 high, 1 low
    // motion parameter group
    std::string accTime, decTime, accValue, decValue, startSpeed, stopSpeed;
    // special parameters, sensors, analog thresholds
    std::string stall, encoderLines, backlash, atconH, atconL;
    std::array<std::string, 3> holdOff;      ///< S1..S3 debounce times (ms)
    std::array<std::string, 3> sensorLevel;  ///< "5" or "0"
    // motor parameter row
    int microstep = 0;  ///< box entry 0..4 for 1, 2, 4, 8, 16
    std::string current, standbyPercent, autoEnableTime;
    // settings
    std::string newNodeId, monitorInterval, baud;
};

/// The motion fields' text check: decimal digits only, the first character may be '-'.
bool MotionTextValid(std::string_view text);

/// An integer field's exchange: the value when the text (blanks around it allowed) is a decimal
/// integer within lo..hi; otherwise the message to show ("Please enter an integer." or the range).
struct Exchanged {
    std::optional<int64_t> value;
    std::string message;
};
Exchanged ExchangeInteger(std::string_view text, int64_t lo, int64_t hi);
/// The same for a number with a fraction (the current in A).
struct ExchangedNumber {
    std::optional<double> value;
    std::string message;
};
ExchangedNumber ExchangeNumber(std::string_view text, double lo, double hi);

/// Current in tenths of an ampere as the controller takes it: (amps + 0.05) x 10, truncated.
int32_t CurrentTenths(double amps);
/// The standby percentage a register value stands for: 0 -> 100, 1 -> 50, 2..100 themselves,
/// anything else 100.
int32_t AcrPercent(int32_t registerValue);
/// The register value for a percentage: 100 -> 0, others unchanged.
int32_t AcrRegister(int32_t percent);
/// Microstep 1, 2, 4, 8, 16 <-> choice 0..4 (other values give choice 0; choice -1 gives 0).
int MicrostepChoice(int32_t microstep);
int32_t MicrostepOf(int choice);

}  // namespace norvane::bench
