#include "bench/dialogs/gateway_search_logic.h"

#include <algorithm>
#include <cstdlib>

#include "bench/dialogs/io_ports.h"

namespace norvane::bench {

namespace {

constexpr int kNullBitRate = 5;
constexpr uint32_t kSerialKind = 1, kUsbKind = 4, kPciKind = 8;

}  // namespace

const std::vector<std::string>& GatewaySearchState::BaudEntries() {
    static const std::vector<std::string> entries{"115200", "57600", "38400", "19200", "9600", "NULL"};
    return entries;
}

const std::vector<std::string>& GatewaySearchState::BitRateEntries() {
    static const std::vector<std::string> entries{"1000K", "800K", "500K", "250K", "125K", "NULL"};
    return entries;
}

int32_t NumberAfterPrefix(const std::string& entry) {
    return entry.size() > 3 ? NumberOf(entry.substr(3)) : 0;
}

int32_t NumberOf(const std::string& entry) {
    return ParseSigned(entry).value_or(0);
}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
    uint32_t value = 0;
    size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (at >= text.size() || text[at] != '.') return std::nullopt;
            ++at;
        }
        const size_t start = at;
        uint32_t part = 0;
        while (at < text.size() && at - start < 3 && text[at] >= '0' && text[at] <= '9')
            part = part * 10 + static_cast<uint32_t>(text[at++] - '0');
        if (at == start || part > 255) return std::nullopt;
        value = value << 8 | part;
    }
    if (at != text.size()) return std::nullopt;
    return value;
}

std::string FormatIpv4(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

GatewaySearchLogic::GatewaySearchLogic(const SdkTable& sdk, UserMessages& messages, std::vector<int> comPorts,
                                       std::function<void()> closeGateway)
    : sdk_(sdk),
      messages_(messages),
      comPorts_(std::move(comPorts)),
      closeGateway_(std::move(closeGateway)) {}

void GatewaySearchLogic::Open(const GwParams& params) {
    params_ = params;
    const auto& f = params.field;
    s_.serial = f[0] != 0;
    s_.usb = f[1] != 0;
    s_.pci = f[2] != 0;
    s_.ethernet = f[3] != 0;
    s_.comEntries.clear();
    for (int number : comPorts_) s_.comEntries.push_back("COM" + std::to_string(number));
    std::sort(s_.comEntries.begin(), s_.comEntries.end());
    s_.comEntries.erase(std::unique(s_.comEntries.begin(), s_.comEntries.end()), s_.comEntries.end());
    s_.comEntries.push_back("NULL");
    // The stored port stays chosen, so that OK without a change keeps it.
    const std::string stored = "COM" + std::to_string(f[4]);
    s_.comText = std::find(s_.comEntries.begin(), s_.comEntries.end(), stored) != s_.comEntries.end()
                     ? stored
                     : "NULL";
    const auto& bauds = GatewaySearchState::BaudEntries();
    const std::string baud = std::to_string(f[5]);
    s_.baudText = std::find(bauds.begin(), bauds.end() - 1, baud) != bauds.end() - 1 ? baud : "NULL";
    s_.bitRate = f[7] >= 0 && f[7] <= kNullBitRate ? f[7] : kNullBitRate;
    s_.ip.reset();
    if (f[3] != 0) s_.ip = static_cast<uint32_t>(f[6]);
    s_.serialListsEnabled = s_.serial;
}

void GatewaySearchLogic::SerialClicked(bool ticked) {
    s_.serial = ticked;
    s_.serialListsEnabled = ticked;
}

GwParams GatewaySearchLogic::Accept() const {
    GwParams out = params_;
    auto& f = out.field;
    f[0] = s_.serial ? 1 : 0;
    f[1] = s_.usb ? 1 : 0;
    f[2] = s_.pci ? 1 : 0;
    f[3] = s_.ethernet ? 1 : 0;
    f[4] = NumberAfterPrefix(s_.comText);
    f[5] = NumberOf(s_.baudText);
    f[6] = static_cast<int32_t>(s_.ip.value_or(0));
    f[7] = s_.bitRate < 0 ? kNullBitRate : s_.bitRate;
    return out;
}

void GatewaySearchLogic::ForceStop() {
    if (closeGateway_) closeGateway_();
    const auto com = static_cast<uint32_t>(NumberAfterPrefix(s_.comText));
    const auto baud = static_cast<uint32_t>(NumberOf(s_.baudText));
    const auto node = static_cast<uint32_t>(NumberOf(s_.nodeText));
    if (node == 0) messages_.Show(kApplicationTitle, "Please input CANID!");
    if (s_.serial) {
        if (com != 0 && baud != 0) {
            uint32_t pair[2] = {com, baud};
            sdk_.ForceStopProgram(kSerialKind, pair, node);
        } else {
            messages_.Show(kApplicationTitle, "Please choose comport or btr!");
        }
    }
    if (s_.usb) {
        const int index = s_.bitRate < 0 ? kNullBitRate : s_.bitRate;
        uint32_t pair[2] = {1, static_cast<uint32_t>(index)};
        sdk_.ForceStopProgram(kUsbKind, index == kNullBitRate ? nullptr : pair, node);
    }
    if (s_.pci) sdk_.ForceStopProgram(kPciKind, nullptr, node);
}

}  // namespace norvane::bench
