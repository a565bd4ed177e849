#include "sdk/core/sdk_settings.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/text.h"
#include "sdk/core/traffic_line.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::sdk {
namespace {

using platform::Trim;

std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t most) {
    text = Trim(text);
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > most) {
        return std::nullopt;
    }
    return value;
}

struct StoredPauses {
    std::mutex lock;
    SendPauses pauses;
};

StoredPauses& Stored() {
    static StoredPauses stored;
    return stored;
}

std::atomic<uint32_t> storedAnswerSpinUs{0};

}  // namespace

std::optional<SendPauses> ParseSendPauses(std::string_view text) {
    SendPauses pauses;
    text = Trim(text);
    if (text.find(':') == std::string_view::npos) {
        pauses.all = ParseNumber(text, kMaxSendPauseMs);
        if (!pauses.all) return std::nullopt;
        return pauses;
    }
    if (text.empty() || text.back() == ',') return std::nullopt;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const uint32_t kind = KindOfShortName(Trim(item.substr(0, colon)));
        const std::optional<uint32_t> ms = ParseNumber(item.substr(colon + 1), kMaxSendPauseMs);
        if (kind == 0 || !ms) return std::nullopt;
        pauses.byKind[kind] = *ms;
    }
    return pauses;
}

std::optional<uint32_t> ParseAnswerSpinUs(std::string_view text) {
    return ParseNumber(text, kMaxAnswerSpinUs);
}

std::optional<platform::ConsoleLines> ParseConsoleLines(std::string_view text) {
    std::string value(Trim(text));
    std::transform(value.begin(), value.end(), value.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (value == "stdout") return platform::ConsoleLines::Stdout;
    if (value == "trace") return platform::ConsoleLines::Trace;
    return std::nullopt;
}

SdkSettings ParseSdkParameterText(std::string_view text, const std::string& directory) {
    SdkSettings settings;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "CanLog") {
            settings.canLog =
                value.empty() || value.front() == '/' ? std::string(value) : directory + std::string(value);
        } else if (key == "SendPauseMs") {
            if (auto pauses = ParseSendPauses(value)) settings.pauses = std::move(pauses);
        } else if (key == "AnswerSpinUs") {
            if (auto spin = ParseAnswerSpinUs(value)) settings.answerSpinUs = spin;
        } else if (key == "ConsoleLines") {
            if (auto lines = ParseConsoleLines(value)) settings.consoleLines = lines;
        }
    }
    return settings;
}

void ApplySdkSettings(const std::string& directory) {
    std::ifstream file(directory + "SDKParameter.cfg");
    std::stringstream text;
    if (file) text << file.rdbuf();
    SdkSettings settings = ParseSdkParameterText(text.str(), directory);
    if (const char* log = std::getenv("NORVANE_CANLOG")) settings.canLog = log;
    if (const char* pause = std::getenv("NORVANE_SEND_PAUSE_MS")) {
        if (auto pauses = ParseSendPauses(pause)) settings.pauses = std::move(pauses);
    }
    if (const char* spin = std::getenv("NORVANE_ANSWER_SPIN_US")) {
        if (auto parsed = ParseAnswerSpinUs(spin)) settings.answerSpinUs = parsed;
    }
    if (const char* lines = std::getenv("NORVANE_CONSOLE_LINES")) {
        if (auto parsed = ParseConsoleLines(lines)) settings.consoleLines = parsed;
    }
    TrafficRecorder::Global().Configure(settings.canLog);
    platform::SetConsoleLines(settings.consoleLines.value_or(platform::ConsoleLines::Stdout));
    SetSendPauses(settings.pauses.value_or(SendPauses{}));
    SetAnswerSpinUs(settings.answerSpinUs.value_or(0));
}

uint32_t SendPauseMs(uint32_t kind, uint32_t defaultMs) {
    StoredPauses& stored = Stored();
    std::lock_guard lock(stored.lock);
    const auto found = stored.pauses.byKind.find(kind);
    if (found != stored.pauses.byKind.end()) return found->second;
    return stored.pauses.all.value_or(defaultMs);
}

void SetSendPauses(const SendPauses& pauses) {
    StoredPauses& stored = Stored();
    std::lock_guard lock(stored.lock);
    stored.pauses = pauses;
}

uint32_t AnswerSpinUs() {
    return storedAnswerSpinUs.load(std::memory_order_relaxed);
}

void SetAnswerSpinUs(uint32_t microseconds) {
    storedAnswerSpinUs.store(std::min(microseconds, kMaxAnswerSpinUs), std::memory_order_relaxed);
}

}  // namespace norvane::sdk
