#pragma once
// The process-wide table of SDK functions. Every call Kestrin makes into libNorvaneFunc.so goes
// through one of these entries; nothing else resolves SDK names. Written once while binding (or
// by a test that fills it with fakes), read-only afterwards from any thread.
#include <bitset>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/core/sdk_names.h"
#include "norvane/NorvaneFunc.h"

// Five optional names that the SDK does not export and its header therefore does not declare.
// No part of the program calls them; their entries only record whether a library has them.
// Declared here (never defined) so that every entry below is typed the same way.
extern "C" {
int32_t GetMCS(uint32_t handle, uint32_t node, KymReply* reply);
int32_t GetCUR(uint32_t handle, uint32_t node, KymReply* reply);
int32_t SetOPR(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
int32_t OPRRead(uint32_t handle, uint32_t node, KymReply* reply);
int32_t OPRReadPtr(uint32_t handle, uint32_t node, KymReply* reply);
}

namespace norvane::bench {

enum class SdkFunction : int {
#define KESTRIN_ENUM(name, kind) name,
    KESTRIN_SDK_FUNCTIONS(KESTRIN_ENUM)
#undef KESTRIN_ENUM
        Count
};
constexpr int kSdkFunctionCount = static_cast<int>(SdkFunction::Count);

/// One entry per bound name, typed from the header's own declaration (decltype of the export),
/// so a signature that differs from the header is a compile error at the call.
struct SdkTable {
#define KESTRIN_MEMBER(name, kind) decltype(&::name) name = nullptr;
    KESTRIN_SDK_FUNCTIONS(KESTRIN_MEMBER)
#undef KESTRIN_MEMBER
    /// Which entries the bound library really has (absent optional ones hold a failing stand-in).
    std::bitset<kSdkFunctionCount> present;
};

/// Name and required-ness of every entry, in binding order.
struct SdkFunctionInfo {
    const char* name;
    bool required;
};
const SdkFunctionInfo& InfoOf(SdkFunction function);

/// Result of binding: the missing required names (empty on success).
struct BindResult {
    bool ok = false;
    std::string loadError;                     ///< loader message when the library did not load
    std::vector<std::string> missingRequired;  ///< in binding order
};

/// Resolves every name through lookup (name -> address or nullptr) into table. Absent optional
/// entries get a stand-in that returns -1 (does nothing for void functions), so calling any entry
/// of a successfully bound table is safe. Pure: no loading here.
BindResult FillTable(void* (*lookup)(void* context, const char* name), void* context, SdkTable& table);

/// Fills every entry with the failing stand-in (a table that is safe to call but does nothing).
void FillWithFailingCalls(SdkTable& table);

}  // namespace norvane::bench
