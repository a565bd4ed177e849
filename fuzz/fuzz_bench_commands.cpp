// Kestrin's command language over arbitrary script bytes and SDK answers: preparing the script,
// cutting, normalising, reading numbers and writing every line never read out of bounds, for
// any result the SDK might return and any record it might fill.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "bench/core/command_text.h"
#include "bench/core/interpreter.h"

using namespace norvane::bench;

namespace {

// What every SDK entry answers in this run: a result, a filled record, node ids, an integer.
struct Answer {
    int32_t result = 1;
    KymReply reply{};
    uint32_t ids[100] = {};
    int32_t integer = 0;
} answer;

template <typename F>
struct Entry;
template <typename R, typename... A>
struct Entry<R (*)(A...)> {
    static R Call(A... args) {
        (Fill(args), ...);
        if constexpr (!std::is_void_v<R>) return static_cast<R>(answer.result);
    }
    template <typename T>
    static void Fill(T value) {
        if constexpr (std::is_same_v<T, KymReply*>) {
            if (value) *value = answer.reply;
        } else if constexpr (std::is_same_v<T, uint32_t*>) {
            if (value) std::memcpy(value, answer.ids, sizeof answer.ids);
        } else if constexpr (std::is_same_v<T, int32_t*>) {
            if (value) *value = answer.integer;
        }
    }
};

struct NullMessages : UserMessages {
    void Show(const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + sizeof(KymReply)) return 0;
    static const int32_t results[] = {1, 0, -1, -3, 3, 100, INT32_MIN};
    answer.result = results[data[0] % 7];
    std::memcpy(&answer.reply, data + 1, sizeof(KymReply));
    for (size_t i = 0; i < 100; ++i) answer.ids[i] = static_cast<uint32_t>(data[(i + 1) % size]);
    std::memcpy(&answer.integer, data + 1, sizeof answer.integer);
    // The rest is the script, copied to an exact-size buffer.
    const std::string bytes(reinterpret_cast<const char*>(data) + 1 + sizeof(KymReply),
                            size - 1 - sizeof(KymReply));

    static SdkTable table = [] {
        SdkTable t;
#define FUZZ_ENTRY(name, kind) t.name = &Entry<decltype(t.name)>::Call;
        KESTRIN_SDK_FUNCTIONS(FUZZ_ENTRY)
#undef FUZZ_ENTRY
        return t;
    }();
    static Language language;  // no texts: every key reads "Not found"
    static NullMessages messages;
    static const LogWriter log(language, [](const std::string&) {});
    static Sleeper sleeper;
    sleeper.Shutdown();  // SLEEP commands return at once
    CommandState state;
    const Interpreter interpreter(table, language, log, messages, state, sleeper);
    const command::Script script = command::PrepareScript(bytes);
    for (const std::string& command : interpreter.CutOrExplain(script.text)) interpreter.Execute(command, -1);
    // The command box path: raw text, node argument from the input.
    for (const std::string& command : command::Cut(bytes)) interpreter.Execute(command, data[0] % 130);
    return 0;
}
