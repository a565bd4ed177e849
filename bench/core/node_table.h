#pragma once
// The node table filled by node discovery: KymGrobReg, then GetMDL for each node found. Runs on
// the calling thread and blocks for the SDK calls (about a second for the discovery itself).
#include <cstdint>
#include <string>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"

namespace norvane::bench {

struct NodeEntry {
    int id = 0;
    KymReply model{};  ///< GetMDL's record: field 0 node id, 1 device code, 8 firmware, bytes 36 on name
    std::string ModelName() const;
    uint32_t Firmware() const { return static_cast<uint32_t>(model.field[8]); }
    uint32_t DeviceCode() const { return static_cast<uint32_t>(model.field[1]); }
};

struct Discovery {
    int result = 0;                ///< KymGrobReg's result; discovery failed when below 1
    std::vector<NodeEntry> nodes;  ///< ascending ids, only ids the SDK wrote (1-125)
};

/// Discovers the nodes behind gateway: asks KymGrobReg for up to 100 ids, reads each node's model
/// (result not checked; the record starts zeroed) and writes its id into field 0.
Discovery DiscoverNodes(const SdkTable& sdk, uint32_t gateway);

/// "Can site sum: %d\r\n", the text of the line logged after a discovery.
std::string SiteSumText(size_t count);
/// The same line in the window's language: the format of "IDS_CAN_SITE_SUM" when the language
/// has one that fits, else the fixed one above.
std::string SiteSumText(size_t count, const Language& language);

/// The model name held in a model record (bytes 36 on, at most 20 characters, NUL-terminated).
std::string ModelNameOf(const KymReply& record);

}  // namespace norvane::bench
