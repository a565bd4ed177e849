#pragma once
// The I/O module's words as the dialogs compose and split them: port function codes in the IOC
// word, the port masks (bit 0 = P1 ... bit 7 = P8), the model variants that decide which port
// functions a selector offers, the PWM fields with their ranges and the texts derived from them,
// and the KYD0606 output word. Pure.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "norvane/NorvaneFunc.h"

namespace norvane::bench {

/// Port function codes, two bits per port in the IOC word.
enum PortCode : int { kPortPwm = 0, kPortTtlOut = 1, kPortAnalog = 2, kPortTtlIn = 3 };

/// Eight values of the ports, index 0 = P1 ... index 7 = P8.
template <typename T>
using PortArray = std::array<T, 8>;

/// Model variants of an I/O module that change the port function lists.
struct IoVariant {
    bool v919 = false;
    bool v7364 = false;
    bool v60606 = false;
    bool NoPwm() const { return v7364 || v60606; }
};

/// The variants of a node from its model record and GetMDL's result (no variant unless 1).
/// Each variant is recognised by its model name ("KYD919", "KYD7364", "KYD60606" anywhere in
/// it), and, because the SDK names modules "KYD<family><d0><d3>" and never produces the last
/// two, also by the record's device code: family 0x52 with d0 73 is a 7364 and family 0x50 with
/// d0 60 a 60606.
IoVariant VariantOf(const KymReply& model, int32_t result);

/// The function codes a port's selector offers, in order (port 1 ... 8).
std::vector<int> SelectorCodes(const IoVariant& variant, int port);
/// The item that shows code; a code the list lacks selects the first item.
int ItemOfCode(const std::vector<int>& codes, int code);
/// The code of item; no selection (or an item outside the list) gives 0.
int CodeOfItem(const std::vector<int>& codes, int item);

uint16_t ComposeIoc(const PortArray<int>& codes);
PortArray<int> SplitIoc(uint32_t word);

uint8_t MaskOf(const PortArray<bool>& boxes);
PortArray<bool> BitsOf(uint32_t mask);

/// The KYD0606 output word: the outputs in bits 7-0 and bits 23-16 all set.
uint32_t Kyd0606Word(uint8_t outputs);

/// The five PWM fields.
struct PwmFields {
    int base1 = 1, base2 = 1, pbr = 1, duty1 = 0, duty2 = 0;
    uint32_t PmbWord() const { return static_cast<uint32_t>((base2 & 0xFF) << 8 | (base1 & 0xFF)); }
    uint32_t PmdWord() const { return static_cast<uint32_t>((duty2 & 0xFF) << 8 | (duty1 & 0xFF)); }
};

/// The fields as the operator typed them.
struct PwmTexts {
    std::string base1, base2, pbr, duty1, duty2;
};
PwmTexts TextsOf(const PwmFields& fields);

/// Checks each text as an integer in its range (PBR 1-2500, duties 0-200, bases 1-200). On a
/// failure error holds the range message of the first bad field and nothing is returned.
std::optional<PwmFields> ExchangePwm(const PwmTexts& texts, std::string* error);

/// Expected base period in ms: base x PBR x 200 us, as "%.3f ms".
double PeriodMs(int base, int pbr);
std::string PeriodText(int base, int pbr);
/// Expected duty: duty x 0.5 %, as "%.2f%%", and its whole percent for the picture.
std::string DutyText(int duty);
int DutyPercent(int duty);

/// Value and voltage texts of an analog reading: "%d" and value x 5 / 4095 as "%.3f".
std::string AnalogText(int32_t value);
std::string VoltageText(int32_t value);

/// Signed decimal text as the detector's fields take it: not a number gives nothing.
std::optional<int32_t> ParseSigned(const std::string& text);

}  // namespace norvane::bench
