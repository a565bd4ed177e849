#pragma once
// The parameter batch writer without a display: the list of parameters imported from a CSV file,
// and for one node Read, Write with verification, Export and Write EEPROM. Every operation runs on
// the calling (user-interface) thread and blocks for its SDK calls and waits (3 to 500 ms each);
// the view shows Rows() and Info() afterwards. Message boxes go to the given UserMessages.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

/// One list row: number (its index + 1), key as written, value text, result text.
struct BatchRow {
    std::string key;
    std::string value;     ///< column 2: the file's value text, or the value last read
    int32_t setValue = 0;  ///< the value imported from the file
    std::string result;    ///< column 3
};

/// The six motion values Write EEPROM stores: SPD, STP, MACC, MDEC, MMSS, MMDS.
using MotionCache = std::array<int32_t, 6>;

class BatchWriter {
public:
    /// wait(ms) blocks the caller for the device's settling times.
    using Wait = std::function<void(int ms)>;
    BatchWriter(const SdkTable& sdk, const Language& language, UserMessages& messages, uint32_t gateway,
                int node, Wait wait);

    /// Loads a CSV text. A key outside the accepted list shows "%s Not support", empties the list
    /// and returns false; otherwise the list is replaced and the buttons are enabled.
    bool ImportText(std::string_view text);
    /// Reads path and imports it; "Open csv fail!" when it cannot be read (nothing changes).
    bool ImportFile(const std::string& path);
    /// The list as CSV text (what Export writes).
    std::string ExportText() const;
    /// Writes the list to path; false with a message when the list is empty or the file fails.
    bool ExportFile(const std::string& path);
    /// Reads every parameter from the node.
    void Read();
    /// Writes every parameter that differs from the node's value and checks the echo.
    void Write();
    /// Stores the motion cache into EEPROM slots 0-7.
    void WriteEeprom();

    const std::vector<BatchRow>& Rows() const { return rows_; }
    const std::string& Info() const { return info_; }
    /// Export, Read, Write and Write EEPROM are enabled (after the first successful import).
    bool ButtonsEnabled() const { return enabled_; }
    const MotionCache& Cache() const { return cache_; }
    int Node() const { return node_; }

private:
    struct Access {
        bool ok = false;
        int32_t value = 0;
    };
    Access ReadKey(size_t key, int32_t setValue);
    Access WriteKey(size_t key, int32_t value);
    void CacheMotion(size_t key, int32_t value);
    bool NeedsList();
    void Message(const std::string& body);
    std::string Text(const char* key) const { return language_.Lookup(key); }

    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    uint32_t gateway_;
    int node_;
    Wait wait_;
    std::vector<BatchRow> rows_;
    MotionCache cache_{};
    std::string info_;
    bool enabled_ = false;
};

}  // namespace norvane::bench
