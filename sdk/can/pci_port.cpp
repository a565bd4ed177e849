#include "sdk/can/pci_port.h"

#include "platform/clock.h"
#include "sdk/can/can_identifier.h"
#include "sdk/can/can_wire_format.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/gateway_kind.h"

namespace norvane::sdk::can {

MarlixInitConfig ChannelConfig(uint32_t bitRateIndex) {
    MarlixInitConfig config{};
    config.acceptanceCode = 0x08000000;
    config.acceptanceMask = 0xFFFFFFFF;
    config.busTiming0 = kBitRateTable[bitRateIndex & 7].timing0;
    config.busTiming1 = kBitRateTable[bitRateIndex & 7].timing1;
    return config;
}

CNvPCIPort::CNvPCIPort(std::shared_ptr<const HalboxEntries> halbox, CardUse& cards, uint32_t card,
                       uint32_t channel, bool legacy)
    : CNvLinkPort(std::make_unique<HalboxLink>(std::move(halbox), card, channel),
                  std::make_unique<CanWireFormat>(legacy)),
      halboxLink_(static_cast<HalboxLink&>(link())),
      cards_(cards) {
    legacyProtocol = legacy ? 1 : 0;
    kind = legacy ? kKindPciFirstGen : kKindPci;
    portIndex = (channel << 4) | card;
    // A bus of its own: answers come within a frame time, so the waits are short.
    timing.answerTimeoutMs = timing.setTimeoutMs = timing.getTimeoutMs = 200;
    timing.systemCheckTimeoutMs = 200;
    timing.legacyDiscoveryWaitMs = 1000;
    timing.receivePollMs = 5;
}

CNvPCIPort::~CNvPCIPort() {
    Close();
}

CardLease CNvPCIPort::InitChannel() {
    CardLease lease = cards_.Acquire(halboxLink_.HalboxShared(), Card());
    if (!lease) return lease;
    const MarlixInitConfig config = ChannelConfig(bitRateIndex.load());
    (void)halboxLink_.Halbox().initCan(Card(), Channel(), &config);
    return lease;
}

void CNvPCIPort::ReleaseChannel() {
    const HalboxEntries& halbox = halboxLink_.Halbox();
    halbox.clearBuffer(Card(), Channel());
    halbox.resetCan(Card(), Channel());
}

bool CNvPCIPort::ProbeExchange(const KymCanFrame& request, MarlixFrame* answer) {
    const HalboxEntries& halbox = halboxLink_.Halbox();
    MarlixFrame frame = ToMarlixFrame(request);
    if (halbox.transmit(Card(), Channel(), &frame) == 0) return false;
    platform::SleepMs(probeTiming.afterSendMs);
    return halbox.receive(Card(), Channel(), answer, 1, probeTiming.answerWaitMs) > 0;
}

int CNvPCIPort::Probe() {
    kind = kKindPci;
    const HalboxEntries& halbox = halboxLink_.Halbox();
    // The channel stays initialised while the card stays open (the search holds it for the
    // card's other channel; an open of this channel initialises it again in any case).
    const CardLease lease = cards_.Acquire(halboxLink_.HalboxShared(), Card());
    if (!lease) return 0;
    for (uint32_t index = 0; index < kProbedBitRates; ++index) {
        const MarlixInitConfig config = ChannelConfig(index);
        if (halbox.initCan(Card(), Channel(), &config) != 1) return 0;
        platform::SleepMs(probeTiming.settleMs);
        // A late answer to the previous try must not count for this bit rate.
        halbox.clearBuffer(Card(), Channel());
        MarlixFrame answer{};
        if (ProbeExchange(RequestFrame(kDiscoveryIdentifier, KymCanMsg{}), &answer)) {
            bitRateIndex = index;
            return 1;
        }
    }
    return 0;
}

int CNvPCIPort::ProbeLegacy() {
    kind = kKindPciFirstGen;
    KymCanMsg request{};
    if (PackFirstGen(0, 0x80 | cmd::first_gen::kSerialNumber, 0, nullptr, &request) != 1) return 0;
    const KymCanFrame frame =
        RequestFrame(FirstGenRequestId(request.node, request.controlWord, true), request);
    for (uint32_t index = 0; index < kProbedBitRates; ++index) {
        bitRateIndex = index;
        // Each try holds the card; it closes after the try unless someone else holds it.
        CardLease lease = InitChannel();
        if (!lease) return 0;
        halboxLink_.Halbox().clearBuffer(Card(), Channel());
        MarlixFrame answer{};
        const bool answered = ProbeExchange(frame, &answer);
        ReleaseChannel();
        lease.Release();
        if (answered &&
            (DecodeFirstGenId(answer.identifier).controlWord & 0x7F) == cmd::first_gen::kSerialNumber)
            return 1;
    }
    return 0;
}

int CNvPCIPort::OpenChannel(uint32_t handle) {
    CardLease lease = InitChannel();
    if (!lease) return 0;
    // Frames left from the probes are no answers to anything asked from now on.
    halboxLink_.Halbox().clearBuffer(Card(), Channel());
    {
        // Opening an open channel again replaces its lease: one lease per open channel.
        std::lock_guard guard(leaseMutex_);
        std::swap(openLease_, lease);
    }
    lease.Release();
    halboxLink_.SetOpen(true);
    return StartReceiver(handle);
}

int CNvPCIPort::Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (OpenChannel(handle) != 1) return 0;
    return OpenNodes(handle, records, max);
}

int CNvPCIPort::OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (OpenChannel(handle) != 1) return 0;
    return OpenNodesLegacy(handle, records, max, nullptr);
}

int CNvPCIPort::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) {
    if (receiveRunning == 0) return -1;
    return CNvLinkPort::GetCommand(handle, node, controlWord, index, reply);
}

int CNvPCIPort::GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                 KymReply* reply) {
    if (receiveRunning == 0) return -1;
    return CNvLinkPort::GetCommandLegacy(handle, node, controlWord, index, reply);
}

void CNvPCIPort::Close() {
    StopThreads();
    CardLease lease;
    {
        std::lock_guard guard(leaseMutex_);
        std::swap(openLease_, lease);
    }
    halboxLink_.SetOpen(false);
    if (!lease) return;
    ReleaseChannel();
    lease.Release();  // closes the card unless another channel, probe or search holds it
}

int CNvPCIPort::SetBitRate(uint32_t index) {
    if (index >= 8) return 0;
    bitRateIndex = index;
    const HalboxEntries& halbox = halboxLink_.Halbox();
    halbox.resetCan(Card(), Channel());
    const MarlixInitConfig config = ChannelConfig(index);
    return halbox.initCan(Card(), Channel(), &config);
}

}  // namespace norvane::sdk::can
