#include "bench/core/node_table.h"

#include <algorithm>
#include <cstring>

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {
constexpr int kMaxDiscovered = 100;
constexpr size_t kNameOffset = 36;
}  // namespace

std::string ModelNameOf(const KymReply& record) {
    const char* bytes = reinterpret_cast<const char*>(record.field) + kNameOffset;
    const size_t room = sizeof record - kNameOffset;
    return std::string(bytes, strnlen(bytes, room));
}

std::string NodeEntry::ModelName() const {
    return ModelNameOf(model);
}

Discovery DiscoverNodes(const SdkTable& sdk, uint32_t gateway) {
    Discovery out;
    uint32_t ids[kMaxDiscovered] = {};
    out.result = sdk.KymGrobReg(gateway, ids, kMaxDiscovered);
    if (out.result < 1) return out;
    // Some gateways report one node without writing its id: only ids the SDK wrote are listed.
    const int count = std::min(out.result, kMaxDiscovered);
    std::vector<int> found;
    for (int i = 0; i < count; ++i)
        if (ids[i] >= 1 && ids[i] <= 125) found.push_back(static_cast<int>(ids[i]));
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    // Models are read from the highest id down, as the list is filled from the top.
    out.nodes.resize(found.size());
    for (size_t i = found.size(); i-- > 0;) {
        NodeEntry& entry = out.nodes[i];
        entry.id = found[i];
        sdk.GetMDL(gateway, static_cast<uint32_t>(entry.id), &entry.model);
        entry.model.field[0] = entry.id;
    }
    return out;
}

std::string SiteSumText(size_t count) {
    return FormatText("Can site sum: %d\r\n", {static_cast<int64_t>(count)});
}

std::string SiteSumText(size_t count, const Language& language) {
    const std::string format = language.Lookup("IDS_CAN_SITE_SUM");
    const FormatArg n = static_cast<int64_t>(count);
    if (!language.Has("IDS_CAN_SITE_SUM") || !FormatFits(format, {n})) return SiteSumText(count);
    return FormatText(format, {n}) + "\r\n";
}

}  // namespace norvane::bench
