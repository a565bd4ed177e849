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

CNvPCIPort::CNvPCIPort(std::shared_ptr<const HalboxEntries> halbox, std::shared_ptr<CardUse> cards,
                       uint32_t card, uint32_t channel, bool legacy)
    : CNvLinkPort(std::make_unique<HalboxLink>(std::move(halbox), card, channel),
                  std::make_unique<CanWireFormat>(legacy)),
      halboxLink_(static_cast<HalboxLink&>(link())),
      cards_(std::move(cards)) {
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

bool CNvPCIPort::InitChannel() {
    const HalboxEntries& halbox = halboxLink_.Halbox();
    if (halbox.openDevice(Card()) != 1) return false;
    const MarlixInitConfig config = ChannelConfig(bitRateIndex.load());
    (void)halbox.initCan(Card(), Channel(), &config);
    return true;
}

void CNvPCIPort::ReleaseChannel(bool closeCard) {
    const HalboxEntries& halbox = halboxLink_.Halbox();
    halbox.clearBuffer(Card(), Channel());
    halbox.resetCan(Card(), Channel());
    if (closeCard) halbox.closeDevice(Card());
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
    if (halbox.openDevice(Card()) != 1) return 0;
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
        // The card stays open while another of its channels is in use.
        const bool closeCard = !cards_->InUse(Card());
        if (!InitChannel()) {
            ReleaseChannel(closeCard);
            return 0;
        }
        halboxLink_.Halbox().clearBuffer(Card(), Channel());
        MarlixFrame answer{};
        const bool answered = ProbeExchange(frame, &answer);
        ReleaseChannel(closeCard);
        if (answered &&
            (DecodeFirstGenId(answer.identifier).controlWord & 0x7F) == cmd::first_gen::kSerialNumber)
            return 1;
    }
    return 0;
}

int CNvPCIPort::OpenChannel(uint32_t handle) {
    if (!InitChannel()) return 0;
    // Frames left from the probes are no answers to anything asked from now on.
    halboxLink_.Halbox().clearBuffer(Card(), Channel());
    cards_->Take(Card(), Channel());
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

void CNvPCIPort::Close() {
    StopThreads();
    if (!halboxLink_.IsOpen()) return;
    halboxLink_.SetOpen(false);
    ReleaseChannel(cards_->Give(Card(), Channel()));
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
