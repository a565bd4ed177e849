#include "sdk/can/pci_gateway.h"

#include <cstdio>
#include <cstring>

#include "sdk/core/gateway_kind.h"

namespace norvane::sdk::can {
namespace {

int FormatName(uint32_t card, uint32_t channel, char* out, size_t size) {
    return std::snprintf(out, size, "Halbox DevID%03u, Can Index %u", card, channel);
}

}  // namespace

CPCIPortCAN::CPCIPortCAN(uint32_t kind, std::string library) : library_(std::move(library)) {
    legacyProtocol = (kind & 0x7F00) != 0 ? 1 : (kind & 0x1D) != 0 ? 0 : 1;
}

CPCIPortCAN::~CPCIPortCAN() {
    CloseAll();
}

std::shared_ptr<CNvPCIPort> CPCIPortCAN::PciPort(uint32_t handle) const {
    return std::dynamic_pointer_cast<CNvPCIPort>(PortOf(handle));
}

void CPCIPortCAN::CloseAll() {
    for (uint32_t position = 0; position < kMaxPositions; ++position) {
        if (auto old = std::dynamic_pointer_cast<CNvPCIPort>(ExchangePort(position, nullptr))) old->Close();
    }
}

int CPCIPortCAN::SearchPorts(void* records, int maxRecords) {
    portCount = 0;
    const auto halbox = BindHalbox(library_);
    if (!halbox) return 0;
    CloseAll();
    auto* record = static_cast<KymSearchRecord*>(records);
    const bool legacy = legacyProtocol == 1;
    for (uint32_t card = 0; card < kSearchedCards; ++card) {
        // Held while the card's channels are probed: the card stays open between them. Given
        // back after them, it closes the card unless a channel of it was opened meanwhile (until
        // then nothing needs the card, and an open card keeps the library's threads running).
        const CardLease visit = cards_.Acquire(halbox, card);
        if (!visit) continue;  // no such card
        for (uint32_t channel = 0; channel < 2; ++channel) {
            auto port = std::make_shared<CNvPCIPort>(halbox, cards_, card, channel, legacy);
            port->probeTiming = probeTiming;
            if ((legacy ? port->ProbeLegacy() : port->Probe()) != 1) {
                // A channel nobody answered on is left in reset mode.
                if (!legacy) halbox->resetCan(card, channel);
                continue;
            }
            if (record != nullptr && portCount < maxRecords) {
                KymSearchRecord& r = record[portCount];
                r.handle = port->Handle();
                if (static_cast<int32_t>(searchValue) >= 0) r.transportValue = port->bitRateIndex.load();
                FormatName(card, channel, r.name, sizeof r.name);
            }
            ExchangePort(PciPosition(port->portIndex), port);
            ++portCount;
        }
    }
    return portCount;
}

int CPCIPortCAN::OpenPort(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (handle > 255) return 0;
    auto port = PciPort(handle);
    if (!port) return 0;
    if (out != nullptr) *out = port->bitRateIndex.load();
    const uint32_t portHandle = port->Handle();
    if (legacyProtocol == 0) return port->Open(portHandle, records, max, out);
    if (legacyProtocol == 1) return port->OpenLegacy(portHandle, records, max, out);
    return 0;
}

int CPCIPortCAN::ClosePort(uint32_t handle) {
    if (auto port = PciPort(handle)) port->Close();
    return 1;
}

int CPCIPortCAN::SendRaw(uint32_t handle, const uint8_t* bytes, int length) {
    auto port = PciPort(handle);
    if (!port || bytes == nullptr || length < static_cast<int>(sizeof(KymCanFrame))) return 0;
    return port->SendRawUnit(bytes, sizeof(KymCanFrame)) > 0 ? 1 : 0;
}

int CPCIPortCAN::DescribePort(uint32_t handle, KymDevInfo* info) {
    if (info == nullptr) return -1;
    info->kind = legacyProtocol == 1 ? kKindPciFirstGen : kKindPci;
    info->handle = MakeHandle(info->kind, handle & 0xFF);
    std::memset(info->name, 0, sizeof info->name);
    const int length = FormatName(handle & 15, (handle >> 4) & 15, info->name, sizeof info->name);
    info->gatewayClass = 0x20000;
    return length;
}

int CPCIPortCAN::ListPortIds(uint32_t idBase, uint32_t* ids, int room) {
    int n = 0;
    for (uint32_t position = 0; position < kMaxPositions && n < portCount && n < room && ids != nullptr;
         ++position) {
        if (auto port = Port(position)) ids[n++] = idBase | port->portIndex;
    }
    return n;
}

int CPCIPortCAN::ChannelBitRate(uint32_t handle, int32_t* bitRate) {
    auto port = PciPort(handle);
    if (!port) return 0;
    if (bitRate != nullptr) *bitRate = static_cast<int32_t>(port->bitRateIndex.load());
    return 1;
}

int CPCIPortCAN::SetChannelBitRate(uint32_t handle, uint32_t index) {
    auto port = PciPort(handle);
    return port ? port->SetBitRate(index) : 0;
}

}  // namespace norvane::sdk::can
