#include "sdk/can/usb_port.h"

#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/can/can_identifier.h"
#include "sdk/can/usb_wire_format.h"
#include "sdk/core/gateway_kind.h"
#include "sdk/core/request_flow.h"

namespace norvane::sdk::can {
namespace {

constexpr uint8_t kInputEdge = 0x70;
constexpr uint8_t kSerialNumber = 12;
// The test frames of the bit-rate detection and the command number their answers carry.
constexpr uint32_t kSecondGenTestId = 0x1F0FE040, kFirstGenTestId = 0x0100008B;
constexpr uint8_t kSecondGenTestAnswer = 0x40, kFirstGenTestAnswer = 0x0B;
// The protocol announcement, written in the other generation's identifier form.
constexpr uint32_t kAnnounceSecondGenId = 0x010000FE, kAnnounceFirstGenId = 0x1F0FE0FE;
constexpr uint8_t kAnnounceSecondGen = 20, kAnnounceFirstGen = 30;

KymCanFrame Frame(uint32_t identifier, const uint8_t* data, uint8_t length) {
    KymCanMsg message{};
    message.length = length;
    if (length > 0) std::memcpy(message.data, data, length);
    return RequestFrame(identifier, message);
}

}  // namespace

void RewriteInputEdge(KymCanMsg& message) {
    const uint8_t d2 = message.data[2];
    const uint8_t channel = d2 >= 0xE0 && d2 <= 0xED ? static_cast<uint8_t>((d2 - 0xE0) / 2 + 1) : 0;
    std::memset(message.data, 0, 4);
    message.data[0] = channel;
}

void RewriteRegisterAllAnswer(KymCanMsg& message) {
    message.node = message.data[0];
    std::memmove(message.data, message.data + 2, 4);
    std::memset(message.data + 4, 0, 4);
    message.length = 4;
    message.extra = message.data[0];
}

CUSBC7200::CUSBC7200(std::shared_ptr<UsbAdapters> adapters, uint32_t deviceIndex, bool legacy)
    : CNvLinkPort(std::make_unique<UsbLink>(std::move(adapters), deviceIndex),
                  std::make_unique<UsbWireFormat>(legacy)),
      usbLink_(static_cast<UsbLink&>(link())) {
    legacyProtocol = legacy ? 1 : 0;
    // Handles the port builds name the gateway kind the host holds.
    kind = legacy ? kKindUsbFirstGen : kKindUsb;
    portIndex = deviceIndex & 0xFF;
    bitRateCode = legacy ? 0 : 1;
    timing.answerTimeoutMs = timing.setTimeoutMs = timing.getTimeoutMs = legacy ? 500 : 200;
    timing.longAnswerTimeoutMs = 1500;
    timing.legacyDiscoveryWaitMs = 1000;
}

CUSBC7200::~CUSBC7200() {
    CloseAdapter();
}

int CUSBC7200::CloseAdapter() {
    StopThreads();
    usbLink_.SetOpen(false);
    return Adapters().CloseDevice(DeviceIndex());
}

bool CUSBC7200::OpenAdapter() {
    const int opened = Adapters().OpenDevice(DeviceIndex());
    platform::TraceF("<---USBC_OpenDevice bRetValue = %d\n", opened);
    if (opened <= 0) return false;
    const int configured = Adapters().SetCanBaudRate(DeviceIndex(), static_cast<uint8_t>(bitRateCode));
    platform::TraceF("<---USBC_SetCanBaudRate bRetValue = %d\n", configured);
    if (configured != 1) {
        CloseAdapter();
        return false;
    }
    usbLink_.SetOpen(true);
    return true;
}

int CUSBC7200::Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (handle > 255) return 0;
    if (out != nullptr) *out = bitRateCode;
    if (!OpenAdapter()) return 0;
    return OpenNodes(Handle(), records, max);
}

int CUSBC7200::OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (handle > 255 || records == nullptr) return 0;
    if (out != nullptr) *out = bitRateCode;
    if (!OpenAdapter()) return 0;
    if (StartReceiver(Handle()) != 1) return 0;
    platform::SleepMs(10);
    return OpenNodesLegacy(Handle(), records, max, nullptr);
}

int CUSBC7200::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) {
    return CNvLinkPort::GetCommand(handle, node, controlWord, index, reply) == 1 ? 1 : -1;
}

int CUSBC7200::SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                              int* countOut) {
    return RunRawMessage(*this, handle, message, out, max, countOut, [this](const KymCanMsg& request) {
        const KymCanFrame frame =
            RequestFrame(FirstGenRequestId(request.node, request.controlWord, true), request);
        return SendMessageUnit(reinterpret_cast<const uint8_t*>(&frame), sizeof frame, request);
    });
}

int CUSBC7200::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    registerAll_ = true;
    const int n = CNvLinkPort::RegisterAllNodes(handle, records, max);
    registerAll_ = false;
    return n;
}

void CUSBC7200::HandleUnit(const ReceivedUnit& unit, bool legacy) {
    if (unit.kind != ReceivedUnit::Kind::Message) return CNvLinkPort::HandleUnit(unit, legacy);
    const uint8_t controlWord = unit.message.controlWord;
    if (!legacy && controlWord == kInputEdge) {
        ReceivedUnit edge = unit;
        RewriteInputEdge(edge.message);
        return CNvLinkPort::HandleUnit(edge, legacy);
    }
    if (legacy && registerAll_ && (controlWord & 0x0F) == kSerialNumber) {
        ReceivedUnit answer = unit;
        RewriteRegisterAllAnswer(answer.message);
        return CNvLinkPort::HandleUnit(answer, legacy);
    }
    CNvLinkPort::HandleUnit(unit, legacy);
}

int CUSBC7200::AnnounceProtocol(uint32_t index, uint32_t flag) {
    legacyProtocol = flag;
    UsbAdapters& adapters = Adapters();
    if (!adapters.LockReady()) {
        platform::SleepMs(20);
        if (adapters.OpenDevice(index) != 1) return 0;
        for (const uint8_t command : {usb::kStop, usb::kStart}) {
            platform::SleepMs(20);
            if (adapters.Command(index, command) != 1) {
                adapters.CloseDevice(index);
                return 0;
            }
        }
    }
    const uint8_t value = flag == 0 ? kAnnounceSecondGen : kAnnounceFirstGen;
    const KymCanFrame frame = Frame(flag == 0 ? kAnnounceSecondGenId : kAnnounceFirstGenId, &value, 1);
    return adapters.Transmit(index, frame) >= 1 ? 1 : 0;
}

int CUSBC7200::DetectBitRate(uint32_t index, uint32_t flag) {
    if (fixedRateFlag != 0) {
        bitRateCode = fixedRate;
        return static_cast<int>(fixedRate);
    }
    UsbAdapters& adapters = Adapters();
    if (adapters.LockReady()) return static_cast<int>(bitRateCode);
    const int opened = adapters.OpenDevice(index);
    platform::SleepMs(detectTiming.afterOpenMs);
    if (opened != 1) return -1;
    std::vector<KymCanFrame> records(usb::kReceiveMax);
    const KymCanFrame test = Frame(flag == 0 ? kSecondGenTestId : kFirstGenTestId, nullptr, 0);
    const uint8_t expected = flag == 0 ? kSecondGenTestAnswer : kFirstGenTestAnswer;
    int found = -1;
    for (const uint8_t code : kCandidateCodes) {
        if (adapters.SetCanBaudRate(index, code) != 1) continue;
        platform::SleepMs(detectTiming.settleMs);
        AnnounceProtocol(index, flag);
        if (adapters.Transmit(index, test) < 1) continue;
        const uint32_t limit = 2u << code;
        platform::SleepMs(detectTiming.afterSendMs);
        for (uint32_t retry = 0; found < 0; ++retry) {
            if (adapters.PendingCount(index) > 0) {
                const int n = adapters.Receive(index, records.data(), usb::kReceiveMax);
                for (int i = 0; i < n && found < 0; ++i) {
                    if ((records[static_cast<size_t>(i)].identifier & 0x7F) == expected) found = code;
                }
            }
            if (found >= 0 || retry > limit) break;
            platform::SleepMs(detectTiming.pollMs);
        }
        if (found >= 0) break;
    }
    if (found >= 0) bitRateCode = static_cast<uint32_t>(found);
    adapters.CloseDevice(index);
    return found;
}

}  // namespace norvane::sdk::can
