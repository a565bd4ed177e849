#include "bench/panel/panel_fields.h"

#include <charconv>
#include <cmath>

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr int32_t kMicrosteps[] = {1, 2, 4, 8, 16};

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool MotionTextValid(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] >= '0' && text[i] <= '9') && !(i == 0 && text[i] == '-')) return false;
    return true;
}

Exchanged ExchangeInteger(std::string_view text, int64_t lo, int64_t hi) {
    const std::string_view t = Trimmed(text);
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    bool ok = i < t.size();
    int64_t value = 0;
    for (; ok && i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            ok = false;
        else if (value < 10'000'000'000)
            value = value * 10 + (t[i] - '0');  // saturates far out of range
    }
    if (!ok) return {std::nullopt, "Please enter an integer."};
    if (t[0] == '-') value = -value;
    if (value < lo || value > hi)
        return {std::nullopt, FormatText("Please enter an integer between %d and %d.", {lo, hi})};
    return {value, {}};
}

ExchangedNumber ExchangeNumber(std::string_view text, double lo, double hi) {
    // from_chars reads the same in every locale (the program runs under the user's locale).
    std::string_view t = Trimmed(text);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || error != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
        return {std::nullopt, "Please enter a number."};
    if (value < lo || value > hi)
        return {std::nullopt, FormatText("Please enter a number between %g and %g.", {lo, hi})};
    return {value, {}};
}

int32_t CurrentTenths(double amps) {
    return static_cast<int32_t>((amps + 0.05) * 10);
}

int32_t AcrPercent(int32_t registerValue) {
    if (registerValue == 0) return 100;
    if (registerValue == 1) return 50;
    return registerValue >= 2 && registerValue <= 100 ? registerValue : 100;
}

int32_t AcrRegister(int32_t percent) {
    return percent == 100 ? 0 : percent;
}

int MicrostepChoice(int32_t microstep) {
    for (int i = 0; i < 5; ++i)
        if (kMicrosteps[i] == microstep) return i;
    return 0;
}

int32_t MicrostepOf(int choice) {
    return choice >= 0 && choice < 5 ? kMicrosteps[choice] : 0;
}

}  // namespace norvane::bench
