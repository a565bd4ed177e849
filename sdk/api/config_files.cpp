#include "sdk/api/config_files.h"

#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/trace.h"
#include "sdk/api/ini_text.h"

namespace norvane::sdk::config {
namespace {

constexpr const char* kSection = "SystemConfig";

struct State {
    std::mutex lock;
    std::string directoryOverride;
    bool created = false;
    FILE* para = nullptr;  ///< open Para.ini, or null when it could not be opened
    FILE* trace = nullptr;
    std::atomic<bool> traceFlag{false};
};

State& TheState() {
    static State state;
    return state;
}

std::string PathOf(const char* name) {
    return Directory() + name;
}

// Reads the whole open file from its start; false when it cannot be rewound.
bool ReadAll(FILE* file, std::string* text) {
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        std::puts("fseek error!");
        return false;
    }
    text->clear();
    char chunk[1024];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, n);
    std::clearerr(file);
    return true;
}

// Rewrites the file with text. The file is cut to the new length so that a shorter value
// leaves no tail of the old content behind.
bool WriteAll(FILE* file, const std::string& text) {
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        std::puts("fseek error!");
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
    if (std::fflush(file) != 0) return false;
    return ftruncate(fileno(file), static_cast<off_t>(text.size())) == 0;
}

}  // namespace

std::string Directory() {
    State& state = TheState();
    {
        std::lock_guard lock(state.lock);
        if (!state.directoryOverride.empty()) return state.directoryOverride;
    }
    return platform::ExecutableDirectory();
}

void SetDirectoryForTests(const std::string& directory) {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    state.directoryOverride = directory;
    if (!state.directoryOverride.empty() && state.directoryOverride.back() != '/')
        state.directoryOverride += '/';
}

int Init() {
    const std::string path = PathOf("Para.ini");
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.created) return 1;
    state.created = true;
    state.para = std::fopen(path.c_str(), "r+");
    return 1;
}

int Get(const char* key, int* value) {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.para == nullptr || key == nullptr) return -1;
    std::printf("getValue(): %s %s\n", kSection, key);
    std::string text;
    if (!ReadAll(state.para, &text)) return -1;
    const auto found = ini::FindValue(ini::SplitLines(text), kSection, key);
    if (!found) return -1;
    if (value != nullptr) *value = ini::ValueAsInteger(*found);
    return 1;
}

// A key that is not in the file is not added: the result is -1 and the file stays as it was.
int Set(const char* key, int value) {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.para == nullptr || key == nullptr) return -1;
    std::string text;
    if (!ReadAll(state.para, &text)) return -1;
    std::vector<std::string> lines = ini::SplitLines(text);
    for (const std::string& line : lines) std::printf("getListStringNumber:%s", line.c_str());
    if (!ini::ReplaceValue(lines, kSection, key, value != 0 ? "1" : "0")) return -1;
    const int index = ini::FindKeyLine(lines, kSection, key);
    std::printf("modifyKeyValue:\nmodifyKeyValue: %s", lines[static_cast<size_t>(index)].c_str());
    std::string rewritten;
    for (const std::string& line : lines) rewritten += line;
    return WriteAll(state.para, rewritten) ? 1 : -1;
}

int DeInit() {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.para != nullptr) std::fclose(state.para);
    state.para = nullptr;
    state.created = false;
    return 1;
}

void OpenTraceFileIfEnabled() {
    FILE* parameters = std::fopen(PathOf("SDKParameter.cfg").c_str(), "r");
    if (parameters == nullptr) return;
    int enabled = 0;
    const bool read = std::fscanf(parameters, "%d", &enabled) == 1;
    std::fclose(parameters);
    if (!read || enabled != 1) return;
    const std::string tracePath = PathOf("SDKTrace.txt");
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.trace == nullptr) state.trace = std::fopen(tracePath.c_str(), "a+");
    platform::SleepMs(1);
    state.traceFlag = true;
}

void CloseTraceFile() {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.trace != nullptr) {
        std::fflush(state.trace);
        std::fclose(state.trace);
        state.trace = nullptr;
    }
    state.traceFlag = false;
}

void FlushTraceFile() {
    State& state = TheState();
    std::lock_guard lock(state.lock);
    if (state.trace != nullptr) std::fflush(state.trace);
}

bool TraceFlag() {
    return TheState().traceFlag.load();
}

void SdkTraceF(const char* format, ...) {
    if (!TraceFlag()) return;
    char message[513];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    const platform::LocalStamp now = platform::LocalNow();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%d %d ", now.second, now.millisecond);
    platform::TraceF("%s:%s ", prefix, message);
}

}  // namespace norvane::sdk::config
