// The Ethernet port: connection, probes, second-generation requests and the receive loop.
#include "sdk/ethernet/socket_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/request_flow.h"
#include "sdk/core/switches.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/codec/text_dialect.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kEthernetKind = 16;
constexpr uint32_t kConnectWaitMs = 2500;
constexpr uint32_t kHelloPauseMs = 500;
constexpr uint32_t kDiscoveryWaitMs = 1000;
constexpr uint32_t kProbeAnswerMs = 200;
constexpr uint32_t kReceivePollMs = 10;
// Most bytes a second-generation command reads from the caller's data (command 47, index 1):
// the text encoder reads only what the command needs, this bound only caps it.
constexpr size_t kMaxRequestData = 20;

void SetBlocking(int fd, bool blocking) {
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

bool SetOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

KymCanMsg Request(uint8_t node, uint8_t controlWord) {
    KymCanMsg message{};
    message.node = node;
    message.controlWord = controlWord;
    return message;
}

}  // namespace

CNvSocketClient::CNvSocketClient(uint32_t address) : address_(address) {
    kind = kEthernetKind;
}

CNvSocketClient::~CNvSocketClient() {
    Disconnect(Handle());
    StopThreads();
}

bool CNvSocketClient::SerialFraming() const {
    return GlobalSwitches().serialTransmission.load() != 0;
}

// ---------------------------------------------------------------------------------------------
// Connection

int CNvSocketClient::Connect() {
    std::lock_guard state(stateLock_);
    if (socket_.load() >= 0) return 0;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        platform::TraceF("socket() failed: %d/n", errno);
        return 0;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(GlobalSwitches().ethernetServerPort.load() & 0xFFFF));
    peer.sin_addr.s_addr = htonl(address_);

    SetBlocking(fd, false);
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    bool connected = rc == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        connected = ::poll(&p, 1, kConnectWaitMs) == 1 && (p.revents & POLLOUT) != 0 &&
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    if (!connected) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        return 0;
    }
    SetBlocking(fd, true);
    // Keep-alive notices a dead gateway; the send time-out keeps a stuck peer from blocking a
    // request. No Nagle delay: every frame is one complete request.
    const timeval sendTimeout{0, 100 * 1000};
    const bool optionsSet =
        SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1) && SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 3) &&
        SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 1) && SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1) &&
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout) == 0;
    if (!optionsSet) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        return 0;
    }
    peerClosed_ = false;
    socket_ = fd;

    const bool serial = SerialFraming();
    uint8_t hello[8];
    const size_t length = eth::BuildFrame(serial ? eth::command::kSerialHello : eth::command::kCanHello,
                                          nullptr, 0, hello, sizeof hello);
    if (SendBytes(hello, length) > 0 && !serial) platform::SleepMs(kHelloPauseMs);
    uint8_t discard[128];
    ReceiveBytes(discard, sizeof discard, 1000);
    return 1;
}

void CNvSocketClient::CloseSocketLocked() {
    std::scoped_lock locks(sendLock_, receiveLock_);
    const int fd = socket_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

int CNvSocketClient::Disconnect(uint32_t handle) {
    std::lock_guard state(stateLock_);
    const int fd = socket_.load();
    if (fd < 0) return 1;
    uint8_t goodbye[8];
    const size_t length =
        eth::BuildFrame(SerialFraming() ? eth::command::kSerialGoodbye : eth::command::kCanGoodbye, nullptr,
                        0, goodbye, sizeof goodbye);
    SendBytes(goodbye, length);
    // Shut down first: the receive thread's wait ends at once, and the descriptor is closed
    // only after no thread can use it any more (so it can never be reused under a reader).
    receiveRunning = 0;
    ::shutdown(fd, SHUT_RDWR);
    WakeWaiters(handle);
    StopThreads();
    CloseSocketLocked();
    return 1;
}

int CNvSocketClient::SendBytes(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return 0;
    std::lock_guard lock(sendLock_);
    const int fd = socket_.load();
    if (fd < 0) return 0;
    size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(fd, bytes + sent, length - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        sent += static_cast<size_t>(n);
    }
    platform::SleepMs(2);  // the gateway needs a pause between frames
    return static_cast<int>(sent);
}

int CNvSocketClient::ReceiveBytes(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) {
    std::lock_guard lock(receiveLock_);
    const int fd = socket_.load();
    if (fd < 0) return -1;
    if (buffer == nullptr || capacity == 0) return 0;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    const ssize_t n = ::recv(fd, buffer, capacity, 0);
    if (n < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
    if (n == 0) peerClosed_ = true;
    return static_cast<int>(n);
}

// ---------------------------------------------------------------------------------------------
// Probes

bool CNvSocketClient::SendMessage(const KymCanMsg& message, uint8_t i3) {
    uint8_t frame[eth::kCanFrameBytes];
    const size_t length = SerialFraming() ? eth::BuildSerialRecordFrame(message, frame)
                                          : eth::BuildCanMessageFrame(message, frame, i3);
    return length > 0 && SendBytes(frame, length) > 0;
}

int CNvSocketClient::Exchange(const KymCanMsg& request, uint8_t expectedCommand, uint32_t timeoutMs,
                              KymCanMsg* answer) {
    if (!SendMessage(request)) return 0;
    const bool serial = SerialFraming();
    const uint8_t wanted = expectedCommand & 0x7F;
    uint8_t buffer[64] = {};
    size_t count = 0;
    int quietReads = 0;
    const uint64_t deadline = platform::TickMs() + 2 * uint64_t{timeoutMs};
    // Reads until the answer came, two reads brought nothing, or the time is up; frames of
    // other commands in front of the answer are dropped.
    while (quietReads < 2 && platform::TickMs() < deadline) {
        const int n = ReceiveBytes(buffer + count, sizeof buffer - count, timeoutMs);
        if (n < 0) return 0;
        if (n == 0) {
            ++quietReads;
            continue;
        }
        count += static_cast<size_t>(n);
        size_t length = 0;
        while (eth::ParseFrame(buffer, count, 0, length, sizeof buffer)) {
            eth::ReceivedFrame frame;
            KymCanMsg message{};
            const bool decoded =
                eth::SplitFrame(buffer, length, frame) &&
                (serial ? frame.command == eth::command::kSerialAnswer &&
                              eth::DecodeSerialRecord(frame.payload, frame.payloadLength, message)
                        : frame.command == eth::command::kCanAnswer &&
                              eth::DecodeCanPayload(frame.payload, frame.payloadLength, message));
            eth::DropFront(buffer, count, length);
            if (decoded && message.controlWord == wanted) {
                if (answer != nullptr) *answer = message;
                return 1;
            }
        }
    }
    return 0;
}

int CNvSocketClient::ExchangeWithGateway(KymCanMsg* answer, uint8_t controlWord, const void* data,
                                         uint32_t timeoutMs) {
    KymCanMsg request{};
    if (PackFirstGen(1, controlWord, 0, data, &request) != 1) return 0;
    return Exchange(request, controlWord, timeoutMs, answer);
}

int CNvSocketClient::SelectProtocol() {
    const uint32_t value = legacyProtocol == 1 ? 30 : 20;
    KymCanMsg answer{};
    if (ExchangeWithGateway(&answer, 0xFE, &value, 1000) != 1 || answer.data[0] != value) return 0;
    if (ExchangeWithGateway(&answer, 0xFE, nullptr, 500) != 1 || answer.data[0] != value) return 0;
    return 1;
}

int CNvSocketClient::Probe() {
    kind = kEthernetKind;
    if (SerialFraming()) {
        static constexpr uint8_t kProbeText[] = {'A', 'B', 'C', ';'};
        uint8_t frame[16];
        const size_t length =
            eth::BuildFrame(eth::command::kSerialMessage, kProbeText, sizeof kProbeText, frame, sizeof frame);
        SendBytes(frame, length);
        uint8_t answer[64];
        platform::SleepMs(480);
        int received = ReceiveBytes(answer, sizeof answer, 20);
        if (received == 0) {
            platform::SleepMs(480);
            received = ReceiveBytes(answer, sizeof answer, 20);
        }
        identified = received == 20 ? 1 : 0;
        return identified;
    }
    // A gateway that does not answer the protocol selection is an older one: accepted as is.
    if (SelectProtocol() != 1) return 1;
    KymCanMsg answer{};
    if (Exchange(Request(1, 0xC1), 0xC1, kProbeAnswerMs, &answer) != 1 || answer.controlWord != 0x41)
        return 0;
    identified = 1;
    modelNumber = answer.data[0] * 256u + answer.data[1];
    firmwareNumber = answer.data[5] * 256u + answer.data[4];
    if (Exchange(Request(1, 0xB5), 0xB5, kProbeAnswerMs, &answer) != 1 || answer.controlWord != 0x35)
        return 0;
    bitRateCode = answer.data[0];
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Second-generation requests

int CNvSocketClient::SetCommand(uint32_t, uint32_t node, uint8_t controlWord, int index, const void* data,
                                KymReply* reply) {
    if (!receiveRunning) return -1;
    const bool serial = SerialFraming();
    uint8_t frame[eth::kHeaderBytes + kMaxCommandText + 1];
    size_t length = 0;
    RequestWire wire;
    wire.answersCounted = !serial;
    wire.build = [&] {
        if (serial) {
            char text[kMaxCommandText + 1];
            size_t textLength = 0;
            if (EncodeText(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                           data != nullptr ? kMaxRequestData : 0, text, sizeof text, &textLength) != 1) {
                return false;
            }
            length = eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text),
                                     textLength, frame, sizeof frame);
        } else {
            KymCanMsg message{};
            if (PackSecondGen(node, controlWord, index, data, &message) != 1) return false;
            length = eth::BuildCanMessageFrame(message, frame);
        }
        return length > 0;
    };
    wire.send = [&] { return SendBytes(frame, length) > 0; };
    return RunSetRequest(*this, kEthernetKind, {node, controlWord, index, data, reply}, wire);
}

int CNvSocketClient::GetCommand(uint32_t, uint32_t node, uint8_t controlWord, int index, KymReply* reply) {
    if (!receiveRunning) return 0;
    const bool serial = SerialFraming();
    uint8_t frame[eth::kHeaderBytes + kMaxCommandText + 1];
    size_t length = 0;
    RequestWire wire;
    wire.answersCounted = !serial;
    wire.build = [&] {
        if (serial) {
            char text[kMaxCommandText + 1];
            size_t textLength = 0;
            if (EncodeText(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), nullptr, 0,
                           text, sizeof text, &textLength) != 1) {
                return false;
            }
            length = eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text),
                                     textLength, frame, sizeof frame);
        } else {
            KymCanMsg message{};
            if (PackSecondGenGet(node, controlWord, index, &message) != 1) return false;
            length = eth::BuildCanMessageFrame(message, frame);
        }
        return length > 0;
    };
    wire.send = [&] { return SendBytes(frame, length) > 0; };
    return RunGetRequest(*this, kEthernetKind, {node, controlWord, index, nullptr, reply}, wire);
}

int CNvSocketClient::SendCanMessage(uint32_t, const KymCanMsg* message, KymCanMsg* out, int max,
                                    int* countOut) {
    return RunRawMessage(*this, message, out, max, countOut,
                         [this](const KymCanMsg& request) { return SendMessage(request); });
}

int CNvSocketClient::RegisterNodes(uint32_t, KymNodeRecord* records, int max) {
    const bool serial = SerialFraming();
    auto send = [&] {
        if (!serial) return SendMessage(Request(127, 0xC0));
        char text[kMaxCommandText + 1];
        size_t textLength = 0;
        uint8_t frame[eth::kHeaderBytes + kMaxCommandText + 1];
        if (EncodeText(127, 0xC0, 0, nullptr, 0, text, sizeof text, &textLength) != 1) return false;
        const size_t length =
            eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text), textLength,
                            frame, sizeof frame);
        return length > 0 && SendBytes(frame, length) > 0;
    };
    // Serial transmission gateways send one node list, gathered in node 1's area.
    return RunDiscovery(*this, kDiscoveryCommand, serial ? 1 : 0, kDiscoveryWaitMs, records, max, send);
}

void CNvSocketClient::DescribeNodes(KymNodeRecord* records, int n, bool* lastFailed) {
    *lastFailed = false;
    for (int i = 0; i < n; ++i) {
        KymNodeRecord& record = records[i];
        record.handle = Handle();
        SelectTable(record.handle);
        KymReply reply{};
        const int got = GetCommand(record.handle, record.nodeId, 0xC1, 0, &reply);
        *lastFailed = got != 1;
        if (got != 1) continue;
        // The model answer's decoder puts the name at record bytes 36-55 and the firmware in field 8.
        std::memcpy(record.model, reinterpret_cast<const uint8_t*>(reply.field) + 36, 20);
        record.model[20] = '\0';
        record.firmware = static_cast<uint32_t>(reply.field[8]);
    }
}

int CNvSocketClient::Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (Connect() != 1) return 0;
    if (StartReceiver(handle) != 1) return 0;
    if (records == nullptr) return 0;
    const int n = RegisterNodes(handle, records, max);
    if (n <= 0) return 0;
    bool lastFailed = false;
    DescribeNodes(records, n, &lastFailed);
    return lastFailed ? 0 : n;
}

// ---------------------------------------------------------------------------------------------
// Receive loop

int CNvSocketClient::ReceiveLoop(uint32_t index) {
    if (socket_.load() < 0) return 0;
    SignalReceiverStarted(index);
    uint8_t buffer[eth::kReceiveBufferBytes];
    size_t count = 0;
    while (receiveRunning == 1) {
        const int n = ReceiveBytes(buffer + count, sizeof buffer - count, kReceivePollMs);
        if (n < 0) {
            receiveRunning = 0;
            break;
        }
        if (n == 0) {
            // A closed peer looks like silence; poll it at a gentle pace.
            if (peerClosed_ && receiveRunning == 1) platform::SleepMs(kReceivePollMs);
            continue;
        }
        count += static_cast<size_t>(n);
        size_t length = 0;
        while (eth::ParseFrame(buffer, count, 0, length, sizeof buffer)) {
            HandleFrame(buffer, length);
            eth::DropFront(buffer, count, length);
        }
    }
    return 0;
}

void CNvSocketClient::HandleFrame(const uint8_t* bytes, size_t length) {
    eth::ReceivedFrame frame;
    if (!eth::SplitFrame(bytes, length, frame)) {
        counters.malformedFrames.fetch_add(1);
        return;
    }
    KymCanMsg message{};
    switch (frame.command) {
        case eth::command::kCanAnswer:
            if (eth::DecodeCanPayload(frame.payload, frame.payloadLength, message)) {
                FileMessage(message, Framing::Can);
            } else {
                counters.malformedFrames.fetch_add(1);
            }
            break;
        case eth::command::kLegacyMessage:
            if (eth::DecodeLegacyPayload(frame.payload, frame.payloadLength, message)) {
                FileMessage(message, Framing::Can);
            } else {
                counters.malformedFrames.fetch_add(1);
            }
            break;
        case eth::command::kSerialAnswer:
            HandleSerialPayload(frame.payload, frame.payloadLength);
            break;
        default:
            break;  // hello acknowledgements, zone lists and others: consumed
    }
}

void CNvSocketClient::HandleSerialPayload(const uint8_t* payload, size_t length) {
    uint8_t buffer[kReplyBufferSize];
    size_t held = 0;
    size_t offset = 0;
    while (offset < length || held > 0) {
        const size_t n = std::min(length - offset, sizeof buffer - held);
        std::memcpy(buffer + held, payload + offset, n);
        held += n;
        offset += n;
        size_t frameLength = 0;
        bool found = false;
        while (FindReplyFrame(buffer, held, frameLength)) {
            found = true;
            uint32_t tag = 0;
            KymCanMsg message{};
            if (!DecodeReplyFrame(buffer, frameLength, tag, message)) {
                counters.malformedFrames.fetch_add(1);
            } else if (ReplyTagControlWord(tag) == kDiscoveryCommand) {
                uint8_t ids[kNodeSlots];
                const size_t count = eth::NodeListIds(buffer, frameLength, ids, sizeof ids);
                for (size_t i = 0; i < count; ++i) {
                    KymCanMsg entry{};
                    entry.node = ids[i];
                    entry.controlWord = kDiscoveryCommand;
                    FileDiscoveryAnswer(1, entry);
                }
            } else {
                message.node = ReplyTagNode(tag);
                message.controlWord = static_cast<uint8_t>(tag & 0xFF);
                FileMessage(message, Framing::SerialTransmission);
            }
            std::memmove(buffer, buffer + frameLength, held - frameLength);
            held -= frameLength;
        }
        if (!found && offset >= length) break;  // the rest is an incomplete frame: dropped with the payload
    }
}

}  // namespace norvane::sdk
