#include "bench/dialogs/io_ports.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/core/node_table.h"

namespace norvane::bench {

namespace {

struct Range {
    const char* name;
    int PwmFields::*field;
    std::string PwmTexts::*text;
    int low, high;
};

// The order in which the fields are checked; the first bad one is reported.
constexpr Range kPwmRanges[] = {
    {"PBR", &PwmFields::pbr, &PwmTexts::pbr, 1, 2500},
    {"PWMDuty1", &PwmFields::duty1, &PwmTexts::duty1, 0, 200},
    {"PWMDuty2", &PwmFields::duty2, &PwmTexts::duty2, 0, 200},
    {"PWMBase1", &PwmFields::base1, &PwmTexts::base1, 1, 200},
    {"PWMBase2", &PwmFields::base2, &PwmTexts::base2, 1, 200},
};

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

IoVariant VariantOf(const KymReply& model, int32_t result) {
    IoVariant v;
    if (result != 1) return v;
    const std::string name = ModelNameOf(model);
    const uint32_t code = static_cast<uint32_t>(model.field[1]) & 0xFFFF;
    v.v919 = name.find("KYD919") != std::string::npos;
    v.v7364 = name.find("KYD7364") != std::string::npos || code == 0x5249;
    v.v60606 = name.find("KYD60606") != std::string::npos || code == 0x523C;
    return v;
}

std::vector<int> SelectorCodes(const IoVariant& variant, int port) {
    const bool pwmPort = port == 1 || port == 2 || port == 7 || port == 8;
    if (variant.NoPwm()) return {kPortAnalog, kPortTtlOut, kPortTtlIn};
    if (variant.v919) {
        if (pwmPort) return {kPortAnalog, kPortPwm, kPortTtlOut, kPortTtlIn};
        return {kPortAnalog, kPortTtlOut, kPortTtlIn};
    }
    if (pwmPort) return {kPortPwm, kPortTtlOut, kPortTtlIn};
    return {kPortTtlOut, kPortTtlIn};
}

int ItemOfCode(const std::vector<int>& codes, int code) {
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) return static_cast<int>(i);
    return 0;
}

int CodeOfItem(const std::vector<int>& codes, int item) {
    if (item < 0 || item >= static_cast<int>(codes.size())) return 0;
    return codes[static_cast<size_t>(item)];
}

uint16_t ComposeIoc(const PortArray<int>& codes) {
    uint32_t word = 0;
    for (size_t k = 0; k < 8; ++k) word |= (static_cast<uint32_t>(codes[k]) & 3u) << (2 * k);
    return static_cast<uint16_t>(word);
}

PortArray<int> SplitIoc(uint32_t word) {
    PortArray<int> codes{};
    for (size_t k = 0; k < 8; ++k) codes[k] = static_cast<int>((word >> (2 * k)) & 3u);
    return codes;
}

uint8_t MaskOf(const PortArray<bool>& boxes) {
    uint32_t mask = 0;
    for (size_t k = 0; k < 8; ++k)
        if (boxes[k]) mask |= 1u << k;
    return static_cast<uint8_t>(mask);
}

PortArray<bool> BitsOf(uint32_t mask) {
    PortArray<bool> bits{};
    for (size_t k = 0; k < 8; ++k) bits[k] = ((mask >> k) & 1u) != 0;
    return bits;
}

uint32_t Kyd0606Word(uint8_t outputs) {
    return 0x00FF0000u | outputs;
}

PwmTexts TextsOf(const PwmFields& f) {
    return {std::to_string(f.base1), std::to_string(f.base2), std::to_string(f.pbr), std::to_string(f.duty1),
            std::to_string(f.duty2)};
}

std::optional<PwmFields> ExchangePwm(const PwmTexts& texts, std::string* error) {
    PwmFields fields;
    for (const Range& range : kPwmRanges) {
        const auto value = ParseSigned(texts.*range.text);
        if (!value || *value < range.low || *value > range.high) {
            if (error) {
                char text[96];
                std::snprintf(text, sizeof text, "%s: please enter an integer between %d and %d.", range.name,
                              range.low, range.high);
                *error = text;
            }
            return std::nullopt;
        }
        fields.*range.field = *value;
    }
    return fields;
}

double PeriodMs(int base, int pbr) {
    return static_cast<double>(base) * pbr * 200 / 1000;
}

std::string PeriodText(int base, int pbr) {
    return Printf("%.3f ms", PeriodMs(base, pbr));
}

std::string DutyText(int duty) {
    return Printf("%.2f%%", duty * 0.5);
}

int DutyPercent(int duty) {
    return static_cast<int>(duty * 0.5);
}

std::string AnalogText(int32_t value) {
    return std::to_string(value);
}

std::string VoltageText(int32_t value) {
    const float volts = static_cast<float>(value) * 5.0f / 4095.0f;
    return Printf("%.3f", static_cast<double>(volts));
}

std::optional<int32_t> ParseSigned(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (end == begin || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

}  // namespace norvane::bench
