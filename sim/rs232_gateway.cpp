#include "sim/rs232_gateway.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>

#include "platform/clock.h"
#include "sim/bus_identifier.h"
#include "sim/command_text.h"
#include "sim/legacy_command_text.h"
#include "sim/reply_frames.h"

namespace norvane::sim {
namespace {

constexpr uint8_t kGatewayNode = kGatewayNodeId;
constexpr uint8_t kSerialNumber = 12;
constexpr uint8_t kErrorReport = 15;
constexpr uint8_t kDiscovery = 64;
constexpr size_t kTextLimit = 256;
constexpr size_t kUartPacketBytes = 12;  // a stream this long without a complete text is dropped

uint32_t RateOf(speed_t speed) {
    switch (speed) {
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return 0;
    }
}

}  // namespace

Rs232Gateway::Rs232Gateway(Rs232GatewayOptions options)
    : options_(options),
      bus_([&] {
          BusOptions b = options.bus;
          if (b.bitRate == 0) b.bitRate = BitRateOfCode(options.bitRateCode);
          return b;
      }()),
      gatewayNode_(static_cast<uint16_t>(options.model << 8 | options.variant),
                   static_cast<uint16_t>(options.firmware), options.serialNumber, options.bitRateCode) {
    bus_.SetGatewayListener([this](const CanFrame& frame) { OnBusFrame(frame); });
}

Rs232Gateway::~Rs232Gateway() {
    Stop();
}

bool Rs232Gateway::Start() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) return false;
    const char* name = grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : nullptr;
    if (name == nullptr) {
        close(master);
        return false;
    }
    slavePath_ = name;
    keeper_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    master_ = master;
    bus_.Start();
    running_ = true;
    reader_ = std::thread([this] { ReadLoop(); });
    return true;
}

void Rs232Gateway::HangUp() {
    running_ = false;
    if (reader_.joinable()) reader_.join();
    std::lock_guard lock(writeLock_);
    if (const int master = master_.exchange(-1); master >= 0) close(master);
}

void Rs232Gateway::Stop() {
    HangUp();
    bus_.Stop();
    if (keeper_ >= 0) close(keeper_);
    keeper_ = -1;
}

uint32_t Rs232Gateway::HostRate() const {
    termios settings{};
    if (tcgetattr(master_.load(), &settings) != 0) return 0;
    return RateOf(cfgetospeed(&settings));
}

void Rs232Gateway::ReadLoop() {
    std::string stream;
    while (running_) {
        pollfd fd{master_.load(), POLLIN, 0};
        const int ready = poll(&fd, 1, 20);
        if (ready > 0 && (fd.revents & POLLIN) != 0) {
            char buffer[256];
            const ssize_t n = read(fd.fd, buffer, sizeof buffer);
            if (n > 0) {
                const uint32_t rate = HostRate();
                {
                    std::lock_guard lock(logLock_);
                    if (rates_.empty() || rates_.back() != rate) rates_.push_back(rate);
                }
                // Bytes at another rate are noise to the gateway's UART.
                if (rate == options_.baud) stream.append(buffer, static_cast<size_t>(n));
            }
        } else if (ready > 0) {
            platform::SleepMs(5);  // no host on the line at the moment
        }
        if (options_.uart) {
            while (TakeUartInput(stream)) {
            }
        } else {
            while (const size_t length = CommandTextLength(stream)) {
                const std::string text = stream.substr(0, length);
                stream.erase(0, length);
                SpendLineTime(text.size());  // the gateway acts once the last byte is in
                LogText(text);
                if (options_.generation == 1) {
                    HandleLegacyText(text);
                } else {
                    HandleText(text);
                }
            }
        }
        if (stream.size() > kTextLimit) {
            stream.clear();
            ++malformed_;
        }
        FinishDiscovery();
    }
}

void Rs232Gateway::LogText(const std::string& text) {
    std::lock_guard lock(logLock_);
    texts_.push_back(text);
}

void Rs232Gateway::HandleLegacyText(const std::string& text) {
    auto request = ParseLegacyCommandText(text);
    if (!request) {
        ++malformed_;
        return;
    }
    if (request->node == 0 && (request->controlWord & 0x7F) == kSerialNumber && request->length == 4) {
        // "{*0;}sn0;": the register-all broadcast, which nodes take as a serial-number query.
        request->length = 2;
        std::fill(request->data, request->data + 8, uint8_t{0});
    }
    Request(request->node, request->controlWord, request->data, request->length);
}

void Rs232Gateway::HandleText(const std::string& text) {
    if (text == kGatewayProbeText) {
        SendFrame(EncodeIdentityFrame(options_.model, options_.variant, options_.firmware));
        return;
    }
    const auto request = ParseCommandText(text);
    if (!request) {
        ++malformed_;
        return;
    }
    if ((request->controlWord & 0x7F) == kDiscovery) nodeList_.Begin(options_.discoveryWindowMs);
    const uint8_t node =
        (request->controlWord & 0x7F) == 53 && request->node == 0 ? kGatewayNode : request->node;
    Request(node, request->controlWord, request->data, request->length);
}

void Rs232Gateway::Request(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length) {
    const bool firstGen = options_.generation == 1;
    const auto send = [this](uint8_t n, uint8_t c, const uint8_t* d, uint8_t l) { SendMessage(n, c, d, l); };
    if (gatewayNode_.Answer(firstGen, node, controlWord, data, length, send)) return;
    if (controlWord & 0x80) {
        if (const auto code = faults_.TakeErrorReport()) {
            const uint8_t command = controlWord & 0x7F;
            if (options_.uart) {
                // The UART gateway reports for the node: f3 = node.
                const uint8_t forNode[3] = {node, command, *code};
                SendFrame(EncodeUartFrame(kGatewayNode, kErrorReport, forNode, 3));
            } else {
                const uint8_t report[3] = {0, command, *code};
                SendMessage(node, kErrorReport, report, 3);
            }
            return;
        }
    }
    CanFrame frame;
    frame.id = firstGen ? FirstGenBusIdentifier(node, controlWord) : BusIdentifier(node, controlWord);
    frame.length = std::min<uint8_t>(length, 8);
    std::copy(data, data + frame.length, frame.data);
    bus_.Send(frame);
}

void Rs232Gateway::OnBusFrame(const CanFrame& frame) {
    const BusAddress a = DecodeNodeIdentifier(frame.id);
    if ((a.controlWord & 0x7F) == kDiscovery && nodeList_.Offer(a.node)) return;
    SendMessage(a.node, a.controlWord, frame.data, frame.length);
}

void Rs232Gateway::SendMessage(uint8_t node, uint8_t controlWord, const uint8_t* data, size_t length) {
    if (options_.uart) {
        SendFrame(EncodeUartFrame(node, controlWord, data, length));
    } else if (options_.generation == 1) {
        SendFrame(EncodeLegacyReplyFrame(node, controlWord, data, length));
    } else {
        SendFrame(EncodeReplyFrame(node, controlWord, data, static_cast<uint8_t>(length)));
    }
}

bool Rs232Gateway::TakeUartInput(std::string& stream) {
    if (stream.empty()) return false;
    const auto first = static_cast<uint8_t>(stream[0]);
    if (first <= 9) {
        if (stream.size() < kUartPacketBytes) return false;
        const auto* packet = reinterpret_cast<const uint8_t*>(stream.data());
        {
            std::lock_guard lock(logLock_);
            texts_.push_back(stream.substr(0, kUartPacketBytes));
        }
        SpendLineTime(kUartPacketBytes);
        const uint8_t controlWord = packet[2];
        if ((controlWord & 0x7F) == kDiscovery) nodeList_.Begin(options_.discoveryWindowMs);
        Request(packet[1], controlWord, packet + 3, std::min<uint8_t>(packet[0], 8));
        stream.erase(0, kUartPacketBytes);
        return true;
    }
    if (const size_t length = CommandTextLength(stream)) {
        SpendLineTime(length);
        HandleUartText(stream.substr(0, length));
        stream.erase(0, length);
        return true;
    }
    if (first == '{' || (first >= 'a' && first <= 'z')) return false;  // a text still arriving
    stream.erase(0, 1);                                                // noise
    ++malformed_;
    return true;
}

void Rs232Gateway::HandleUartText(const std::string& text) {
    LogText(text);
    if (text.size() > 4 && text.substr(text.size() - 4) == "}ml;") {
        // Identity: f3 model high, f8 model low, f11-f12 firmware.
        uint8_t identity[10] = {};
        identity[0] = options_.model;
        identity[5] = options_.variant;
        identity[8] = static_cast<uint8_t>(options_.firmware & 0xFF);
        identity[9] = static_cast<uint8_t>(options_.firmware >> 8);
        SendFrame(EncodeUartFrame(kGatewayNode, 0x0B, identity, sizeof identity));
    } else if (text == "pp[5];") {
        const uint8_t setting[2] = {5, gatewayNode_.BitRateCode()};
        SendFrame(EncodeUartFrame(kGatewayNode, 1, setting, sizeof setting));
    } else {
        ++malformed_;
    }
}

void Rs232Gateway::SendFlowControl(uint16_t value) {
    uint8_t notice[6] = {};
    notice[4] = static_cast<uint8_t>(value & 0xFF);
    notice[5] = static_cast<uint8_t>(value >> 8);
    SendFrame(EncodeUartFrame(kGatewayNode, 0x5D, notice, sizeof notice));
}

void Rs232Gateway::FinishDiscovery() {
    const auto listed = nodeList_.TakeWhenDone();
    if (!listed) return;
    const std::vector<uint8_t>& nodes = *listed;
    if (options_.uart) {
        // f1 = count, f2 = 0x40, the ids from f3 on.
        std::vector<uint8_t> ids;
        for (const uint8_t id : nodes)
            if (id <= 125) ids.push_back(id);
        const uint8_t count = static_cast<uint8_t>(ids.size());
        SendFrame(EncodeUartFrame(count, kDiscovery, ids.data(), ids.size()));
        return;
    }
    SendFrame(EncodeNodeListFrame(nodes));
}

void Rs232Gateway::SendFrame(std::vector<uint8_t> frame) {
    if (frame.empty()) return;
    const AnswerFate fate = faults_.NextAnswerFate();
    if (fate.drop) return;
    if (fate.delayMs > 0) platform::SleepMs(fate.delayMs);
    if (fate.splitPauseMs > 0 && frame.size() > 1) {
        const size_t half = frame.size() / 2;
        WriteLine(frame.data(), half);
        platform::SleepMs(fate.splitPauseMs);
        WriteLine(frame.data() + half, frame.size() - half);
        return;
    }
    WriteLine(frame.data(), frame.size());
}

void Rs232Gateway::SendRaw(const std::vector<uint8_t>& bytes) {
    WriteLine(bytes.data(), bytes.size());
}

void Rs232Gateway::SpendLineTime(size_t bytes) const {
    // 10 bit times per byte (start, 8 data, stop) at the listening rate.
    if (options_.modelLineTime && bytes > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10 * 1000000 / options_.baud));
}

void Rs232Gateway::WriteLine(const uint8_t* bytes, size_t length) {
    SpendLineTime(length);
    std::lock_guard lock(writeLock_);
    const int master = master_.load();
    size_t done = 0;
    for (int tries = 0; master >= 0 && done < length && tries < 100; ++tries) {
        const ssize_t n = write(master, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            pollfd fd{master, POLLOUT, 0};
            poll(&fd, 1, 10);
        }
    }
}

std::vector<std::string> Rs232Gateway::ReceivedTexts() const {
    std::lock_guard lock(logLock_);
    return texts_;
}

std::vector<uint32_t> Rs232Gateway::RatesSeen() const {
    std::lock_guard lock(logLock_);
    return rates_;
}

}  // namespace norvane::sim
