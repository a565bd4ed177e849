#pragma once
// A recording SDK table: every entry writes its call as text, e.g. "SetSPD(4096,5,100,1,&r)",
// fills any answer record with a preset one and returns a preset result. Data records passed by
// pointer are shown as their words ("[0x3412]"); node id lists and integer outputs are filled from
// presets. One recorder is current at a time (the entries are plain C functions); the recorder
// locks, so a script worker and a test thread may call at once.
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "bench/core/sdk_table.h"

namespace norvane::bench::test {

template <size_t N>
struct Name {
    constexpr Name(const char (&text)[N]) { std::copy_n(text, N, value); }
    char value[N];
};

class RecordingSdk {
public:
    RecordingSdk() {
        current_ = this;
#define KESTRIN_RECORD(name, kind) table.name = &Entry<#name, decltype(table.name)>::Call;
        KESTRIN_SDK_FUNCTIONS(KESTRIN_RECORD)
#undef KESTRIN_RECORD
    }
    ~RecordingSdk() {
        current_ = nullptr;
    }

    SdkTable table;
    int32_t result = 1;         ///< what every call returns
    KymReply reply{};           ///< copied into every answer record
    std::vector<uint32_t> ids;  ///< written by KymGrobReg
    int32_t integerOut = 0;     ///< written through int32_t* outputs (bit-rate index)
    std::map<std::string, int32_t, std::less<>> resultOf;  ///< per-name results over `result`
    std::map<std::string, KymReply, std::less<>> replyOf;  ///< per-name answer records over `reply`
    /// Per-call results over resultOf and result (e.g. one failing node): call text -> result.
    std::function<std::optional<int32_t>(const std::string& call)> resultFor;
    std::vector<KymDevInfo> gateways;  ///< written through KymDevInfo* outputs
    std::map<std::string, std::vector<uint8_t>, std::less<>> bytesOf;  ///< written through uint8_t* outputs
    /// Called after each call is recorded, on the calling thread, outside the recorder's lock
    /// (set it before any worker starts).
    std::function<void(const std::string& call)> onCall;

    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.clear();
    }

private:
    template <Name N, typename F>
    struct Entry;
    template <Name N, typename R, typename... A>
    struct Entry<N, R (*)(A...)> {
        static R Call(A... args) {
            RecordingSdk& self = *current_;
            std::string text = std::string(N.value) + "(";
            int32_t result;
            {
                std::lock_guard<std::mutex> lock(self.mutex_);
                bool first = true;
                ((text += (first ? "" : ","), first = false, text += self.Show(N.value, args)), ...);
                text += ")";
                self.calls_.push_back(text);
                const auto own = self.resultOf.find(std::string_view(N.value));
                result = own == self.resultOf.end() ? self.result : own->second;
                if (self.resultFor)
                    if (const std::optional<int32_t> forCall = self.resultFor(text)) result = *forCall;
            }
            (void)result;
            if (self.onCall) self.onCall(text);
            if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
        }
    };

    static size_t DataWords(std::string_view name) {
        if (name == "SetSTG" || name == "SetS12CON") return 4;
        if (name == "SetS34CON") return 5;
        return 1;
    }

    template <typename T>
    std::string Show(std::string_view name, T value) {
        if constexpr (std::is_integral_v<T>) {
            return std::to_string(value);
        } else if constexpr (std::is_same_v<T, KymReply*>) {
            if (value == nullptr) return "null";
            const auto own = replyOf.find(name);
            *value = own == replyOf.end() ? reply : own->second;
            return "&r";
        } else if constexpr (std::is_same_v<T, KymDevInfo*>) {
            const size_t n = name == "SearchGateway" ? gateways.size() : std::min<size_t>(1, gateways.size());
            for (size_t i = 0; i < n; ++i) value[i] = gateways[i];
            return "infos";
        } else if constexpr (std::is_same_v<T, uint8_t*>) {
            const auto own = bytesOf.find(name);
            if (value != nullptr && own != bytesOf.end())
                std::copy(own->second.begin(), own->second.end(), value);
            return "bytes";
        } else if constexpr (std::is_same_v<T, const uint8_t*>) {
            if (value == nullptr) return "null";
            const size_t count = name == "OPR_SetRFIDBlkData" ? 16 : 1;  // block data, or a mask byte
            std::ostringstream out;
            out << "[" << std::hex;
            for (size_t i = 0; i < count; ++i) out << (i ? " " : "") << int{value[i]};
            return out.str() + "]";
        } else if constexpr (std::is_same_v<T, uint32_t*>) {
            if (name == "ForceStopProgram")
                return value == nullptr
                           ? "null"
                           : "{" + std::to_string(value[0]) + "," + std::to_string(value[1]) + "}";
            for (size_t i = 0; i < ids.size(); ++i) value[i] = ids[i];
            return "ids";
        } else if constexpr (std::is_same_v<T, int32_t*>) {
            *value = integerOut;
            return "&i";
        } else if constexpr (std::is_same_v<T, const void*> || std::is_same_v<T, void*>) {
            if (value == nullptr) return "null";
            std::ostringstream out;
            out << "[";
            for (size_t i = 0; i < DataWords(name); ++i) {
                int32_t word;
                std::memcpy(&word, static_cast<const char*>(value) + 4 * i, 4);
                out << (i ? "," : "") << "0x" << std::hex << word;
            }
            return out.str() + "]";
        } else {
            return "?";
        }
    }

    static inline RecordingSdk* current_ = nullptr;
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

}  // namespace norvane::bench::test
