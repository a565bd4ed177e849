#include "bench/core/sdk_table.h"

#include <array>
#include <string_view>

namespace norvane::bench {

namespace {

template <typename F>
struct FailedCall;
// Stand-in for an absent optional function: a failed call (-1), never a jump through null.
template <typename R, typename... A>
struct FailedCall<R (*)(A...)> {
    static R Call(A...) {
        if constexpr (!std::is_void_v<R>) return static_cast<R>(-1);
    }
};

constexpr std::array<SdkFunctionInfo, kSdkFunctionCount> kInfo = {{
#define KESTRIN_INFO(name, kind) {#name, std::string_view(#kind) == "Required"},
    KESTRIN_SDK_FUNCTIONS(KESTRIN_INFO)
#undef KESTRIN_INFO
}};

}  // namespace

const SdkFunctionInfo& InfoOf(SdkFunction function) {
    return kInfo[static_cast<size_t>(function)];
}

BindResult FillTable(void* (*lookup)(void* context, const char* name), void* context, SdkTable& table) {
    table = SdkTable{};
    BindResult result;
#define KESTRIN_RESOLVE(name, kind)                                                      \
    if (void* address = lookup(context, #name)) {                                        \
        table.name = reinterpret_cast<decltype(table.name)>(address);                    \
        table.present.set(static_cast<size_t>(SdkFunction::name));                       \
    } else {                                                                             \
        table.name = &FailedCall<decltype(table.name)>::Call;                            \
        if (InfoOf(SdkFunction::name).required) result.missingRequired.push_back(#name); \
    }
    KESTRIN_SDK_FUNCTIONS(KESTRIN_RESOLVE)
#undef KESTRIN_RESOLVE
    result.ok = result.missingRequired.empty();
    return result;
}

void FillWithFailingCalls(SdkTable& table) {
    FillTable([](void*, const char*) -> void* { return nullptr; }, nullptr, table);
}

}  // namespace norvane::bench
