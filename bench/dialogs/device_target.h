#pragma once
// What every device dialog works on: the SDK table, the language table, where messages go, and
// the one gateway handle and node id all its calls address. Success of an SDK call is a result
// of 1; anything else is a failure.
#include <cstdint>
#include <functional>
#include <string>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

/// Runs a function on the user-interface thread (queued); how a dialog's worker shows results.
using PostToUi = std::function<void(std::function<void()>)>;

struct DeviceTarget {
    const SdkTable& sdk;
    const Language& language;
    UserMessages& messages;
    uint32_t handle = 0;
    uint32_t node = 0;

    /// The error box: the text of key as its body, the text of "IDS_ERR" as its caption.
    void Error(const char* key) const { messages.Show(language.Lookup("IDS_ERR"), language.Lookup(key)); }
    /// A box with a fixed body under the caption of "IDS_ERR".
    void ErrorText(const std::string& body) const { messages.Show(language.Lookup("IDS_ERR"), body); }
    /// A plain box: the program's title as caption and a fixed text.
    void Plain(const std::string& body) const { messages.Show(kApplicationTitle, body); }
    /// A plain box with the language text of key.
    void PlainKey(const char* key) const { messages.Show(kApplicationTitle, language.Lookup(key)); }
    /// true (and the message of key shown) when result is not a success.
    bool Failed(int32_t result, const char* key) const {
        if (result == 1) return false;
        Error(key);
        return true;
    }
};

}  // namespace norvane::bench
